// QtSettingsStore: every read opens the store afresh and every write is synced to disk and
// checked at once, so two copies of the program see each other's last writes and a store
// that cannot be written is reported at the step that wrote, with the reason; a store that
// can be read but not written still reads.
#include "platform/qt_settings_store.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include "platform/app_error.h"

// The user's own store: ~/.config/<app>.conf; on Windows the registry key
// HKEY_CURRENT_USER\Software\<app>, each section a key below it.
std::unique_ptr<QSettings> QtSettingsStore::Open(const QString& app) const {
#ifdef _WIN32
  if (folder_.isEmpty())
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\") + app, QSettings::NativeFormat);
#else
  if (folder_.isEmpty())
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, app);
#endif
  return std::make_unique<QSettings>(FileName(app), QSettings::IniFormat);
}

QString QtSettingsStore::FileName(const QString& app) const {
  if (folder_.isEmpty()) return Open(app)->fileName();
  return folder_ + QStringLiteral("/") + app + QStringLiteral(".ini");
}

namespace {

// Whether the store's file can be read: it is missing (every key reads as its default) or
// opens for reading.
bool Readable(const QString& fileName) {
  QFile file(fileName);
  return !file.exists() || file.open(QIODevice::ReadOnly);
}

// Why the store's file cannot be written, in the system's words where it has them. Opening
// for appending changes nothing in the file.
QString WriteFailureReason(const QString& fileName) {
#ifdef _WIN32
  if (fileName.startsWith(QLatin1String("\\HKEY_"))) return QStringLiteral("the registry key cannot be written");
#endif
  const QFileInfo info(fileName);
  if (info.isDir()) return QStringLiteral("a folder has the file's name");
  if (info.exists()) {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return file.errorString();
  }
  const QFileInfo folder(info.absolutePath());
  if (!folder.isDir()) return QStringLiteral("its folder does not exist");
  if (!folder.isWritable()) return QStringLiteral("its folder cannot be written");
  return QStringLiteral("the file could not be replaced");
}

}  // namespace

QString QtSettingsStore::Read(const QString& app, const QString& section, const QString& key,
                              const QString& defaultValue) {
  const auto settings = Open(app);
  // Qt keeps values it could not write for the rest of the process and reports every later
  // opening as failed; only a file that cannot be read or parsed means reading failed.
  const QSettings::Status status = settings->status();
  if (status == QSettings::FormatError ||
      (status == QSettings::AccessError && !Readable(settings->fileName())))
    throw AppError(QStringLiteral("The settings store cannot be read: ") + settings->fileName(),
                   error_number::kPathFileAccess);
  settings->beginGroup(section);
  if (!settings->contains(key)) return defaultValue;
  const QVariant value = settings->value(key);
  // A value edited by hand into a comma-separated list reads back as one text.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", "));
  return value.toString();
}

void QtSettingsStore::Write(const QString& app, const QString& section, const QString& key,
                            const QString& value) {
  const auto settings = Open(app);
  settings->beginGroup(section);
  settings->setValue(key, value);
  settings->endGroup();
  settings->sync();
  // A file that did not parse is still rewritten whole: only an access failure means the
  // value was not written.
  if (settings->status() == QSettings::AccessError)
    throw AppError(QStringLiteral("The settings store cannot be written: ") + settings->fileName() +
                       QStringLiteral(" (") + WriteFailureReason(settings->fileName()) + QStringLiteral(")"),
                   error_number::kPathFileAccess);
}
