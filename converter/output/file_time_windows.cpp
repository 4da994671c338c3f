// Setting a file's modification time on Windows: SetFileTime on a handle opened for its
// attributes alone, a link itself rather than what it points to.
#include "converter/output/file_time.h"

#include <windows.h>

#include <string>

#include "converter/base/errors.h"
#include "converter/base/path_text.h"

namespace quorlin {

namespace {

// Seconds between 1601-01-01 (FILETIME's start) and 1970-01-01, and FILETIME's ticks a second.
constexpr std::int64_t kEpochGap = 11644473600;
constexpr std::int64_t kTicks = 10000000;

[[noreturn]] void Fail(const std::filesystem::path& path) {
  throw IoError("the date of \"" + Utf8Of(path) + "\" cannot be set: Windows error " +
                std::to_string(::GetLastError()));
}

}  // namespace

void SetModificationTime(const std::filesystem::path& path, std::int64_t unix_seconds) {
  // A time FILETIME cannot hold would be a wrong one: the file keeps its own.
  if (unix_seconds < -kEpochGap || unix_seconds > (INT64_MAX / kTicks) - kEpochGap) return;
  HANDLE file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail(path);
  const auto ticks = static_cast<std::uint64_t>((unix_seconds + kEpochGap) * kTicks);
  FILETIME written;
  written.dwLowDateTime = static_cast<DWORD>(ticks);
  written.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  const BOOL done = ::SetFileTime(file, nullptr, nullptr, &written);
  ::CloseHandle(file);
  if (!done) Fail(path);
}

}  // namespace quorlin
