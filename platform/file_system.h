// The folder scan's view of the disk: attribute bits, roots, sub-folders and wildcard
// listings. A local implementation serves the program; tests may stand in their own.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "platform/paths.h"

// Attribute bits as the scan tests them.
namespace file_attribute {
constexpr int kReadOnly = 1;
constexpr int kHidden = 2;
constexpr int kSystem = 4;
constexpr int kDirectory = 16;
constexpr int kArchive = 32;
constexpr int kReparsePoint = 1024;
}  // namespace file_attribute

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Attribute bits of a file or folder. Throws AppError (path not found) when it is missing.
  virtual int Attributes(const QString& path) const = 0;
  // Whether the folder is the top of its file system.
  virtual bool IsRootFolder(const QString& folder) const = 0;
  // Names of the folder's sub-folders, in name order (case-insensitive). Throws AppError
  // error_number::kPermissionDenied or kPathNotFound when the folder cannot be listed.
  virtual QStringList SubFolderNames(const QString& folder) const = 0;
  // Names of the existing files (hidden ones included, never folders) matching a wildcard
  // pattern case-insensitively, in name order: each passes FileExistsByOpen as it is listed.
  // Throws AppError when the folder cannot be listed.
  virtual QStringList ListFiles(const QString& folder, const QString& pattern) const = 0;
  // True for an existing regular file, readable or not.
  virtual bool FileExistsByOpen(const QString& path) const = 0;
  // The scan's two attribute tests, answered from the calls above unless a file system can
  // answer them with less work. A file to add exists as a regular file and its attributes
  // are not exactly hidden + archive (34); a hidden system folder has attributes exactly
  // hidden + system + directory (22), or those and reparse point (1046). Both throw what
  // Attributes throws.
  virtual bool IsFileToAdd(const QString& path) const {
    return FileExistsByOpen(path) && Attributes(path) != (file_attribute::kHidden | file_attribute::kArchive);
  }
  virtual bool IsHiddenSystemFolder(const QString& folder) const {
    const int hiddenSystem = file_attribute::kHidden | file_attribute::kSystem | file_attribute::kDirectory;
    const int attributes = Attributes(folder);
    return attributes == hiddenSystem || attributes == (hiddenSystem | file_attribute::kReparsePoint);
  }
  virtual bool FolderExists(const QString& path) const = 0;
  // A text that is the same for every path leading to one folder (through links or not):
  // its device and inode. Empty when unknown. The folder scan searches each folder once.
  virtual QString FolderKey(const QString& /*folder*/) const { return {}; }
  // True when a folder's path is too long for the system to open it, so nothing below it
  // can be searched: the platform's own path limit.
  virtual bool PathTooLongToSearch(const QString& folder) const { return ExceedsPathLimit(folder); }
  // Closes whatever folder the file system keeps open between calls, so that the disk it
  // lies on can be unmounted. Callers make it at the end of a listing pass.
  virtual void ReleaseKeptFolder() const {}
  // True when every name a listing gives can be opened as it stands ("?", line breaks and
  // bytes that are not UTF-8 included), so the scan need not leave unusual names out.
  virtual bool OpensEveryName() const { return false; }
};

std::unique_ptr<FileSystem> MakeLocalFileSystem();
