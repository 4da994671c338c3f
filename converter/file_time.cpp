// Setting a file's modification time through the system call that takes whole seconds
// without rounding and leaves links alone.
#include "converter/file_time.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "converter/errors.h"

namespace quorlin {

void SetModificationTime(const std::filesystem::path& path, std::int64_t unix_seconds) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(unix_seconds);
  times[1].tv_nsec = 0;
  if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
    throw IoError("the date of \"" + path.string() + "\" cannot be set: " + std::strerror(errno));
}

}  // namespace quorlin
