// A file system held in memory for the folder-scan tests: a tree of folders and files with
// chosen attribute bits, where a folder can be made to refuse its listing (what permissions
// do to an ordinary user, which tests running as the administrator cannot see on disk) and
// where "/" is a real root.
#pragma once

#include <QMap>
#include <QString>
#include <functional>

#include "platform/file_system.h"

class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();

  // Adds a folder or a file (and any missing parent folders). Paths use "/" separators.
  void AddFolder(const QString& path, int attributes = file_attribute::kDirectory);
  void AddFile(const QString& path, int attributes = file_attribute::kArchive);
  void Remove(const QString& path);
  // Makes listing the folder fail with this error number.
  void RefuseListing(const QString& folder, int errorNumber);
  // How many times the folder's sub-folders were listed.
  int ListingCount(const QString& folder) const { return listings_.value(Normal(folder)); }
  // Called at every listing of sub-folders or files, before it answers.
  std::function<void(const QString& folder)> onListing;

  int Attributes(const QString& path) const override;
  bool IsRootFolder(const QString& folder) const override;
  QStringList SubFolderNames(const QString& folder) const override;
  QStringList ListFiles(const QString& folder, const QString& pattern) const override;
  bool FileExistsByOpen(const QString& path) const override;
  bool FolderExists(const QString& path) const override;

 private:
  struct Entry {
    bool folder = false;
    int attributes = 0;
    int refusal = 0;
  };
  // The path with doubled and trailing separators removed ("/" stays "/").
  static QString Normal(const QString& path);
  static QString Parent(const QString& normal);
  const Entry& FolderToList(const QString& normal) const;
  QStringList Children(const QString& normal, bool folders) const;

  QMap<QString, Entry> entries_;
  mutable QMap<QString, int> listings_;
};
