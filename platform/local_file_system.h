// The folder scan's view of the local disk (local_file_system.cpp on a POSIX system,
// local_file_system_windows.cpp on Windows, where the attribute bits are the disk's own).
//
// Attribute bits are derived from what the disk knows: directory 16; hidden 2 when the name
// begins with "."; read-only 1 when the user cannot write it (or no write bit is set at all,
// so that a file marked read-only reads so even to the administrator); archive 32 for a
// regular file; reparse point 1024 for a symbolic link. System 4 is never set. The only root
// is "/". Listings come in case-insensitive name order so rows appear in a stable order.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <string>
#include <utility>
#ifndef _WIN32
#include <dirent.h>
#include <sys/stat.h>
#endif

#include "platform/file_system.h"
#include "platform/wildcard_pattern.h"

class LocalFileSystem : public FileSystem {
 public:
  LocalFileSystem() = default;
  ~LocalFileSystem() override;
  LocalFileSystem(const LocalFileSystem&) = delete;
  LocalFileSystem& operator=(const LocalFileSystem&) = delete;

  int Attributes(const QString& path) const override;
#ifndef _WIN32
  // Only a name beginning with "." is hidden, so other names need only the existence test.
  bool IsFileToAdd(const QString& path) const override;
  // The system bit is never set here, so no folder is a hidden system folder.
  bool IsHiddenSystemFolder(const QString&) const override { return false; }
#endif
  bool IsRootFolder(const QString& folder) const override;
  QStringList SubFolderNames(const QString& folder) const override;
  QStringList ListFiles(const QString& folder, const QString& pattern) const override;
  bool FileExistsByOpen(const QString& path) const override;
  bool FolderExists(const QString& path) const override;
  QString FolderKey(const QString& folder) const override;
  // The folder listed last stays open for a moment for the files' own tests; it is closed
  // here, when the moment has passed and the next call notices, or with the file system.
  void ReleaseKeptFolder() const override;
  // Names are read and opened by their exact bytes (native_names.h).
  bool OpensEveryName() const override { return true; }

 private:
#ifndef _WIN32
  // Looks a path up relative to the folder listed last when it lies in it, which spares the
  // system a walk along the whole path for each file the caller tests after a listing.
  int StatPath(const QByteArray& path, struct stat& st, bool follow) const;
  int AccessPath(const QByteArray& path, int mode) const;
  void KeepFolder(const QByteArray& folder, DIR* dir) const;
  int FolderHandleFor(const QByteArray& path, QByteArray& name) const;

  static constexpr qint64 kKeptFolderMs = 200;
  mutable QByteArray keptFolder_;
  mutable DIR* keptDir_ = nullptr;
  mutable QElapsedTimer keptSince_;
  // The folder found by the last FolderExists, whose key the scan asks for next.
  mutable QByteArray lastFolder_;
  mutable std::pair<dev_t, ino_t> lastFolderId_;
#endif
};
