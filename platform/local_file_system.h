// The folder scan's view of the local disk on a POSIX system, and the wildcard matching of
// its file listings.
//
// Attribute bits are derived from what the disk knows: directory 16; hidden 2 when the name
// begins with "."; read-only 1 when the user cannot write it (or no write bit is set at all,
// so that a file marked read-only reads so even to the administrator); archive 32 for a
// regular file; reparse point 1024 for a symbolic link. System 4 is never set. The only root
// is "/". Listings come in case-insensitive name order so rows appear in a stable order.
#pragma once

#include "platform/file_system.h"

class LocalFileSystem : public FileSystem {
 public:
  int Attributes(const QString& path) const override;
  bool IsRootFolder(const QString& folder) const override;
  QStringList SubFolderNames(const QString& folder) const override;
  QStringList ListFiles(const QString& folder, const QString& pattern) const override;
  bool FileExistsByOpen(const QString& path) const override;
  bool FolderExists(const QString& path) const override;
  QString FolderKey(const QString& folder) const override;
};

// Wildcard matching that ignores case: "*" stands for any run of characters, "?" for one.
// As on the desktop the program comes from, "*.*" matches every name and a pattern ending
// in ".*" also matches the name without any extension ("a.*" matches "a").
bool WildcardMatch(const QString& name, const QString& pattern);

// Sorts names in case-insensitive order, names equal but for case in binary order.
void SortNames(QStringList& names);
