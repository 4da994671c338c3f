// OutputFile on Windows: the temporary file ".<target's name>.<16 hex digits>.tmp" made with
// CREATE_NEW beside the target, flushed to the disk with FlushFileBuffers and moved over the
// target with MoveFileExW and MOVEFILE_WRITE_THROUGH (the move itself on the disk when it
// returns). Names are UTF-8 and become UTF-16 only here. The file gets the folder's
// permissions, as every new file on Windows does.
#include "pdf/output_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace lorvane_pdf {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string TemporaryName(const std::string& target) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  const fs::path path = PathOf(target);
  const std::string base = Utf8Of(path.filename()).substr(0, 100);
  const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  return Utf8Of(folder / PathOf("." + base + "." + suffix + ".tmp"));
}

int ErrorNumber(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
      return ENOENT;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

std::string Reason(const std::string& target, int error) {
  return "cannot write " + target + ": " + std::strerror(error);
}

}  // namespace

bool OutputFile::Fail(int error, std::string& failure) {
  error_ = error != 0 ? error : EIO;
  failure = error_ == EEXIST ? target_ + " exists already" : Reason(target_, error_);
  Discard();
  return false;
}

bool OutputFile::Open(const std::string& target, std::string& failure) {
  Discard();
  target_ = target;
  error_ = 0;
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
    named_ = TemporaryName(target);
    handle = ::CreateFileW(PathOf(named_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (handle == INVALID_HANDLE_VALUE) {
    // No free temporary name is "cannot write", not the target's being there.
    error_ = ErrorNumber(::GetLastError());
    if (error_ == EEXIST) error_ = EIO;
    failure = Reason(target, error_);
    named_.clear();
    return false;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(handle);
    return Fail(EIO, failure);
  }
  file_ = ::_fdopen(fd, "wb");
  if (!file_) {
    ::_close(fd);
    return Fail(EIO, failure);
  }
  return true;
}

bool OutputFile::Write(std::string_view bytes, std::string& failure) {
  if (!file_) return Fail(EBADF, failure);
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return Fail(errno, failure);
  return true;
}

bool OutputFile::Commit(bool replace, std::string& failure) {
  if (!file_) {
    error_ = EBADF;
    failure = "cannot write " + target_ + ": the file is not open";
    return false;
  }
  if (std::fflush(file_) != 0) return Fail(errno, failure);
  if (!::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file_)))))
    return Fail(ErrorNumber(::GetLastError()), failure);
  // Only a plain file is ever replaced: a folder or a link at the target stays.
  const DWORD existing = ::GetFileAttributesW(PathOf(target_).c_str());
  const bool taken = existing != INVALID_FILE_ATTRIBUTES;
  if (taken && (!replace || (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))))
    return Fail(EEXIST, failure);
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) return Fail(errno, failure);
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (!::MoveFileExW(PathOf(named_).c_str(), PathOf(target_).c_str(), flags))
    return Fail(ErrorNumber(::GetLastError()), failure);
  named_.clear();
  return true;
}

void OutputFile::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!named_.empty()) ::DeleteFileW(PathOf(named_).c_str());
  named_.clear();
}

bool MoveFile(const std::string& from, const std::string& target, std::string& failure) {
  if (::MoveFileExW(PathOf(from).c_str(), PathOf(target).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
    return true;
  failure = Reason(target, ErrorNumber(::GetLastError()));
  return false;
}

}  // namespace lorvane_pdf
