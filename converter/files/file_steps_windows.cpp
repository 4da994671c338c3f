// Windows: CreateFileW with CREATE_NEW (sharing delete, so a stop can remove the file while
// it is written), FlushFileBuffers, and MoveFileExW with write-through, which returns only
// once the move is on the disk.
#include "converter/files/file_steps.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

namespace quorlin {

namespace {

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND: return ENOENT;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    default: return EIO;
  }
}

}  // namespace

std::FILE* CreateNewFile(const std::filesystem::path& path) {
  HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = ErrnoOf(::GetLastError());
    return nullptr;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(handle);
    ::DeleteFileW(path.c_str());
    errno = EMFILE;
    return nullptr;
  }
  std::FILE* file = ::_fdopen(fd, "wb");
  if (file == nullptr) {
    ::_close(fd);
    ::DeleteFileW(path.c_str());
  }
  return file;
}

int MakeDurable(std::FILE* file) {
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
  return ::FlushFileBuffers(handle) ? 0 : ErrnoOf(::GetLastError());
}

void MoveOver(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error) {
  error.clear();
  if (!::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = std::error_code(static_cast<int>(::GetLastError()), std::system_category());
}

}  // namespace quorlin
