// Setting a file's modification time through the system call that takes whole seconds
// without rounding and leaves links alone.
#include "converter/output/file_time.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "converter/base/errors.h"

namespace quorlin {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& path) {
  throw IoError("the date of \"" + path.string() + "\" cannot be set: " + std::strerror(errno));
}

}  // namespace

void SetModificationTime(const std::filesystem::path& path, std::int64_t unix_seconds) {
  struct stat before {};
  if (::lstat(path.c_str(), &before) != 0) Fail(path);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(unix_seconds);
  times[1].tv_nsec = 0;
  if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) Fail(path);
  // The file system may have stored another time than the one asked for: the nearest it
  // can hold. A clamped date would be a wrong one, so the file keeps its own.
  struct stat after {};
  if (::lstat(path.c_str(), &after) != 0) Fail(path);
  if (static_cast<std::int64_t>(after.st_mtim.tv_sec) == unix_seconds && after.st_mtim.tv_nsec == 0) return;
  times[1] = before.st_mtim;
  if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) Fail(path);
}

}  // namespace quorlin
