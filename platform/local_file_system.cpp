// The folder scan's view of the local disk: attribute bits, roots, sub-folders and wildcard
// listings through the POSIX directory calls.
#include "platform/local_file_system.h"

#include <QFile>
#include <algorithm>
#include <utility>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/app_error.h"
#include "platform/native_names.h"

namespace {

QByteArray Native(const QString& path) { return NativeName(path); }

// The failure a directory listing reports, numbered as the scan expects it.
[[noreturn]] void ThrowListingError(int err) {
  if (err == EACCES || err == EPERM) throw AppError(QStringLiteral("Permission denied"), error_number::kPermissionDenied);
  if (err == ENOENT || err == ENOTDIR) throw AppError(QStringLiteral("Path not found"), error_number::kPathNotFound);
  throw AppError(QStringLiteral("Path/File access error"), error_number::kPathFileAccess);
}

// Owns an open directory stream for one listing.
class DirectoryStream {
 public:
  explicit DirectoryStream(const QByteArray& path) : dir_(opendir(path.constData())) {
    if (!dir_) ThrowListingError(errno);
  }
  ~DirectoryStream() {
    if (dir_) closedir(dir_);
  }
  // Hands the open folder over to the caller, who closes it.
  DIR* Release() { return std::exchange(dir_, nullptr); }
  DirectoryStream(const DirectoryStream&) = delete;
  DirectoryStream& operator=(const DirectoryStream&) = delete;
  dirent* Next() { return readdir(dir_); }
  int Fd() const { return dirfd(dir_); }

 private:
  DIR* dir_;
};

enum class EntryKind { Folder, File, Other };

// What a directory entry leads to, following a link; the entry type spares a call to stat
// for plain files and folders.
EntryKind KindOf(int folderFd, const dirent* entry) {
  if (entry->d_type == DT_DIR) return EntryKind::Folder;
  if (entry->d_type == DT_REG) return EntryKind::File;
  if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return EntryKind::Other;
  struct stat st;
  if (fstatat(folderFd, entry->d_name, &st, 0) != 0) return EntryKind::Other;
  if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
  return S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Other;
}

// A folder path without its trailing separators ("/" stays "/").
QByteArray FolderPart(const QByteArray& folder) {
  qsizetype end = folder.size();
  while (end > 1 && folder[end - 1] == '/') --end;
  return folder.left(end);
}

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The last part of a path, trailing separators ignored.
QString LastName(const QString& path) {
  qsizetype end = path.size();
  while (end > 0 && path[end - 1] == u'/') --end;
  const qsizetype slash = path.lastIndexOf(u'/', end - 1);
  return path.mid(slash + 1, end - slash - 1);
}

}  // namespace

LocalFileSystem::~LocalFileSystem() { ReleaseKeptFolder(); }

void LocalFileSystem::ReleaseKeptFolder() const {
  if (keptDir_) closedir(keptDir_);
  keptDir_ = nullptr;
  keptFolder_.clear();
}

void LocalFileSystem::KeepFolder(const QByteArray& folder, DIR* dir) const {
  ReleaseKeptFolder();
  keptDir_ = dir;
  keptFolder_ = FolderPart(folder);
  keptSince_.start();
}

int LocalFileSystem::FolderHandleFor(const QByteArray& path, QByteArray& name) const {
  // Only for a moment after the listing: a path must not be answered from a folder that
  // has since been moved away from it.
  if (!keptDir_) return -1;
  if (keptSince_.elapsed() > kKeptFolderMs) {
    ReleaseKeptFolder();  // an open folder would keep its disk from being unmounted
    return -1;
  }
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0 || slash + 1 == path.size()) return -1;
  if (FolderPart(path.left(slash + 1)) != keptFolder_) return -1;
  name = path.mid(slash + 1);
  return dirfd(keptDir_);
}

int LocalFileSystem::StatPath(const QByteArray& path, struct stat& st, bool follow) const {
  QByteArray name;
  const int fd = FolderHandleFor(path, name);
  if (fd >= 0) return fstatat(fd, name.constData(), &st, follow ? 0 : AT_SYMLINK_NOFOLLOW);
  return follow ? stat(path.constData(), &st) : lstat(path.constData(), &st);
}

int LocalFileSystem::AccessPath(const QByteArray& path, int mode) const {
  QByteArray name;
  const int fd = FolderHandleFor(path, name);
  return fd >= 0 ? faccessat(fd, name.constData(), mode, 0) : access(path.constData(), mode);
}

int LocalFileSystem::Attributes(const QString& path) const {
  const QByteArray native = Native(path);
  struct stat st;
  if (path.isEmpty() || StatPath(native, st, false) != 0)
    throw AppError(QStringLiteral("Path not found"), error_number::kPathNotFound);
  int attributes = 0;
  if (S_ISLNK(st.st_mode)) {
    attributes |= file_attribute::kReparsePoint;
    struct stat target;
    if (StatPath(native, target, true) == 0) st = target;  // a dangling link stays a link
  }
  if (S_ISDIR(st.st_mode)) attributes |= file_attribute::kDirectory;
  if (S_ISREG(st.st_mode)) attributes |= file_attribute::kArchive;
  const QString name = LastName(path);
  if (name.startsWith(u'.') && name != QLatin1String(".") && name != QLatin1String(".."))
    attributes |= file_attribute::kHidden;
  if ((st.st_mode & 0222) == 0 || AccessPath(native, W_OK) != 0) attributes |= file_attribute::kReadOnly;
  return attributes;
}

bool LocalFileSystem::IsFileToAdd(const QString& path) const {
  if (!LastName(path).startsWith(u'.')) return FileExistsByOpen(path);
  return FileSystem::IsFileToAdd(path);
}

bool LocalFileSystem::IsRootFolder(const QString& folder) const {
  return !folder.isEmpty() && std::all_of(folder.begin(), folder.end(), [](QChar c) { return c == u'/'; });
}

QStringList LocalFileSystem::SubFolderNames(const QString& folder) const {
  DirectoryStream dir(Native(folder));
  QStringList names;
  while (const dirent* entry = dir.Next()) {
    if (IsDotEntry(entry->d_name)) continue;
    if (KindOf(dir.Fd(), entry) == EntryKind::Folder) names.append(NameFromNative(entry->d_name));
  }
  SortNames(names);
  return names;
}

QStringList LocalFileSystem::ListFiles(const QString& folder, const QString& pattern) const {
  const QByteArray native = Native(folder);
  DirectoryStream dir(native);
  const WildcardPattern matcher(pattern);
  QStringList names;
  while (const dirent* entry = dir.Next()) {
    if (IsDotEntry(entry->d_name) || entry->d_type == DT_DIR) continue;
    const QString name = NameFromNative(entry->d_name);
    if (matcher.Matches(name) && KindOf(dir.Fd(), entry) == EntryKind::File) names.append(name);
  }
  SortNames(names);
  KeepFolder(native, dir.Release());  // the files' own tests follow at once
  return names;
}

bool LocalFileSystem::FileExistsByOpen(const QString& path) const {
  // Asks the disk about the entry without opening it: opening a pipe or a device could
  // block, and a file the user may not read still exists.
  struct stat st;
  return !path.isEmpty() && StatPath(Native(path), st, true) == 0 && S_ISREG(st.st_mode);
}

bool LocalFileSystem::FolderExists(const QString& path) const {
  struct stat st;
  const QByteArray native = Native(path);
  if (path.isEmpty() || StatPath(native, st, true) != 0 || !S_ISDIR(st.st_mode)) return false;
  lastFolder_ = native;
  lastFolderId_ = {st.st_dev, st.st_ino};
  return true;
}

QString LocalFileSystem::FolderKey(const QString& folder) const {
  const QByteArray native = Native(folder);
  if (!native.isEmpty() && native == lastFolder_)
    return QString::number(lastFolderId_.first) + u':' + QString::number(lastFolderId_.second);
  struct stat st;
  if (folder.isEmpty() || stat(native.constData(), &st) != 0) return {};
  return QString::number(st.st_dev) + u':' + QString::number(st.st_ino);
}

std::unique_ptr<FileSystem> MakeLocalFileSystem() { return std::make_unique<LocalFileSystem>(); }
