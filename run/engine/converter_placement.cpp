// Placing the converter in a private folder of its own and taking it away again.
#include "run/engine/converter_placement.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/app_error.h"
#include "platform/program_folder.h"

namespace {

const QString kConverterName = QStringLiteral("Quorlin.exe");

// Writes the whole image to a file that must not exist yet, then makes it runnable by
// its owner only. A file that cannot be written completely is deleted again.
void WriteConverter(QByteArrayView image, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
    throw AppError(QStringLiteral("Path/File access error: ") + file.errorString(),
                   error_number::kPathFileAccess);
  }
  const bool written = file.write(image.data(), image.size()) == image.size() && file.flush();
  file.close();
  const bool runnable =
      written && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ExeOwner);
  if (!runnable) {
    const QString reason = file.errorString();
    file.remove();
    throw AppError(QStringLiteral("Path/File access error: ") + reason,
                   error_number::kPathFileAccess);
  }
}

}  // namespace

QString TemporaryFolder() {
  const QString temp = qEnvironmentVariable("TEMP");
  return temp.isEmpty() ? QDir::tempPath() : temp;
}

QString PlacementParent(const std::function<bool(const QString&)>& allowsPrograms) {
  const QString temp = TemporaryFolder();
  // A temporary folder that is missing or that this user may not write into cannot take
  // the private folder: the same fall-backs as for one that may not start programs.
#ifdef _WIN32
  // A folder's attributes say little about writing into it on Windows; making the private
  // folder there is the test.
  const bool usable = QFileInfo(temp).isDir();
#else
  const bool usable = QFileInfo(temp).isDir() && ::access(QFile::encodeName(temp).constData(), W_OK | X_OK) == 0;
#endif
  if (usable && allowsPrograms(temp)) return temp;
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  if (!cache.isEmpty() && QDir().mkpath(cache) && allowsPrograms(cache)) return cache;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && allowsPrograms(runtime)) return runtime;
  return temp;
}

ConverterPlacement::ConverterPlacement() : allowsPrograms_(FolderAllowsPrograms) {}

void ConverterPlacement::Place(QByteArrayView image) {
  Remove();
  const QString parent = PlacementParent(allowsPrograms_);
  if (!QFileInfo(parent).isDir()) {
    throw AppError(QStringLiteral("Path not found: ") + parent, error_number::kPathNotFound);
  }
  // QTemporaryDir makes a new, uniquely named folder with owner-only permissions.
  QTemporaryDir dir(QDir(parent).filePath(QStringLiteral("lorvane-run-XXXXXX")));
  if (!dir.isValid()) {
    throw AppError(QStringLiteral("Path/File access error: ") + dir.errorString(),
                   error_number::kPathFileAccess);
  }
  WriteConverter(image, dir.filePath(kConverterName));
  dir.setAutoRemove(false);
  folder_ = dir.path();
}

QString ConverterPlacement::ConverterPath() const {
  if (folder_.isEmpty()) return {};
  return QDir(folder_).filePath(kConverterName);
}

void ConverterPlacement::Remove() {
  if (folder_.isEmpty()) return;
  QFile::remove(ConverterPath());
  QDir(folder_).removeRecursively();
  folder_.clear();
}
