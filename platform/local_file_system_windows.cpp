// The folder scan's view of the local disk on Windows: the attribute bits are the disk's own
// (read-only, hidden, system, directory, archive, reparse point), listings come from
// FindFirstFileExW, and a folder's key is its volume serial number and file index.
#include "platform/local_file_system.h"

#include <windows.h>

#include "platform/app_error.h"
#include "platform/wide_path.h"

namespace {

constexpr int kKnownAttributes = file_attribute::kReadOnly | file_attribute::kHidden | file_attribute::kSystem |
                                 file_attribute::kDirectory | file_attribute::kArchive |
                                 file_attribute::kReparsePoint;

[[noreturn]] void ThrowListingError(DWORD error) {
  if (error == ERROR_ACCESS_DENIED) throw AppError(QStringLiteral("Permission denied"), error_number::kPermissionDenied);
  if (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_DIRECTORY ||
      error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH)
    throw AppError(QStringLiteral("Path not found"), error_number::kPathNotFound);
  throw AppError(QStringLiteral("Path/File access error"), error_number::kPathFileAccess);
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Calls `each(entry)` for every entry of the folder but "." and "..".
template <typename Each>
void ForEachEntry(const QString& folder, Each each) {
  std::wstring pattern = WidePath(folder);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW entry{};
  HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) ThrowListingError(::GetLastError());
  do {
    if (!IsDotEntry(entry.cFileName)) each(entry);
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
}

DWORD AttributesOf(const QString& path) {
  if (path.isEmpty()) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesW(WidePath(path).c_str());
}

// A link's own attributes say little about its target: a folder link to a file reads as a
// folder. The target's, followed through the link, decide what it leads to.
std::optional<DWORD> TargetAttributes(const QString& path) {
  HANDLE file = ::CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(file, &info);
  ::CloseHandle(file);
  if (!known) return std::nullopt;
  return info.dwFileAttributes;
}

}  // namespace

std::optional<std::pair<std::uint64_t, std::uint64_t>> FileIdentity(const std::wstring& path, bool follow) {
  HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                              nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(file, &info);
  ::CloseHandle(file);
  if (!known) return std::nullopt;
  return std::make_pair(static_cast<std::uint64_t>(info.dwVolumeSerialNumber),
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

LocalFileSystem::~LocalFileSystem() = default;

void LocalFileSystem::ReleaseKeptFolder() const {}

int LocalFileSystem::Attributes(const QString& path) const {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) throw AppError(QStringLiteral("Path not found"), error_number::kPathNotFound);
  return static_cast<int>(attributes) & kKnownAttributes;
}

bool LocalFileSystem::IsRootFolder(const QString& folder) const {
  if (folder.isEmpty()) return false;
  const QString clean = QDir::fromNativeSeparators(folder);
  return QDir(clean).isRoot() || clean == QLatin1String("/");
}

QStringList LocalFileSystem::SubFolderNames(const QString& folder) const {
  QStringList names;
  ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    const QString name = QString::fromWCharArray(entry.cFileName);
    // A link to a folder is a folder to search; one that leads nowhere is not.
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !FolderExists(QDir(folder).filePath(name))) return;
    names.append(name);
  });
  SortNames(names);
  return names;
}

QStringList LocalFileSystem::ListFiles(const QString& folder, const QString& pattern) const {
  const WildcardPattern matcher(pattern);
  QStringList names;
  ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
    const QString name = QString::fromWCharArray(entry.cFileName);
    if (!matcher.Matches(name)) return;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !FileExistsByOpen(QDir(folder).filePath(name))) return;
    names.append(name);
  });
  SortNames(names);
  return names;
}

bool LocalFileSystem::FileExistsByOpen(const QString& path) const {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    const std::optional<DWORD> target = TargetAttributes(path);
    return target && !(*target & FILE_ATTRIBUTE_DIRECTORY);
  }
  return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool LocalFileSystem::FolderExists(const QString& path) const {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    const std::optional<DWORD> target = TargetAttributes(path);
    return target && (*target & FILE_ATTRIBUTE_DIRECTORY);
  }
  return true;
}

QString LocalFileSystem::FolderKey(const QString& folder) const {
  if (folder.isEmpty()) return {};
  const auto identity = FileIdentity(WidePath(folder));
  if (!identity) return {};
  return QString::number(identity->first) + u':' + QString::number(identity->second);
}

std::unique_ptr<FileSystem> MakeLocalFileSystem() { return std::make_unique<LocalFileSystem>(); }
