// Path helpers as pure functions of a path style, and the small file-system routines.
// In Windows style a single leading backslash (a rooted path such as \Out\a.doc) stays a
// rooted path, never a network path, and positions are held as qsizetype, the string's own
// size type, so paths of any length come apart correctly.
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <climits>

#include "platform/app_error.h"
#include "platform/native_names.h"

PathStyle NativePathStyle() {
#ifdef Q_OS_WIN
  return PathStyle::Windows;
#else
  return PathStyle::Posix;
#endif
}

QChar PathSeparator(PathStyle style) {
  return style == PathStyle::Windows ? QLatin1Char('\\') : QLatin1Char('/');
}

QString GetFileName(const QString& path, PathStyle style) {
  const qsizetype last = path.lastIndexOf(PathSeparator(style));
  return path.mid(last + 1);
}

QString GetFolderPart(const QString& path, PathStyle style) {
  const qsizetype last = path.lastIndexOf(PathSeparator(style));
  return last < 0 ? QString() : path.left(last + 1);
}

QString RemoveExtension(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  // A dot in first place starts a name such as ".msg"; it is not an extension.
  return dot >= 1 ? fileName.left(dot) : fileName;
}

namespace {
// Every doubled separator replaced by one, in one left-to-right pass over non-overlapping
// pairs: a run of three becomes two, a run of four becomes two.
QString CollapsePairs(const QString& text, QChar separator) {
  const QString pair(2, separator);
  QString result = text;
  return result.replace(pair, QString(separator));
}
}  // namespace

QString CollapseBackslashes(const QString& path, PathStyle style) {
  const QChar separator = PathSeparator(style);
  if (style == PathStyle::Posix) return CollapsePairs(path, separator);
  qsizetype leading = 0;
  while (leading < path.size() && path[leading] == separator) ++leading;
  // A leading run of two or more is a network path: its pair is kept exactly.
  if (leading >= 2) return QString(2, separator) + CollapsePairs(path.mid(leading), separator);
  return CollapsePairs(path, separator);
}

QString ExpandHomeFolder(const QString& folderText, PathStyle style) {
  if (style != PathStyle::Posix) return folderText;
  if (folderText != QLatin1String("~") && !folderText.startsWith(QLatin1String("~/"))) return folderText;
  return QDir::homePath() + folderText.mid(1);
}

bool ExceedsPathLimit(const QString& path, PathStyle style) {
  if (style == PathStyle::Windows) return path.size() >= kWindowsPathLimit;
  return NativeName(path).size() >= PATH_MAX;
}

bool FileExists(const QString& path) {
  return NativeExists(path);
}

bool FolderExists(const QString& path) {
  return NativeIsFolder(path);
}

QString GetDesktopFolder() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (desktop.isEmpty())
    throw AppError(QStringLiteral("Invalid procedure call or argument"),
                   error_number::kInvalidArgument);
  // A machine without a desktop folder gets the home folder, so that the stored output
  // folder exists on the first start.
  if (!QFileInfo(desktop).isDir()) return QDir::toNativeSeparators(QDir::homePath()) + PathSeparator();
  return QDir::toNativeSeparators(desktop) + PathSeparator();
}
