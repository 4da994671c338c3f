// Windows: FILETIME read as SYSTEMTIME, in UTC and through the time zone's rules for that
// year, which covers 1601 to 30827 (the C runtime's localtime stops before 1970).
#include "converter/text/calendar_reading.h"

#include <windows.h>

namespace quorlin {
namespace {

void Fill(const SYSTEMTIME& time, std::tm& tm) {
  tm = {};
  tm.tm_year = time.wYear - 1900;
  tm.tm_mon = time.wMonth - 1;
  tm.tm_mday = time.wDay;
  tm.tm_hour = time.wHour;
  tm.tm_min = time.wMinute;
  tm.tm_sec = time.wSecond;
  tm.tm_wday = time.wDayOfWeek;
}

}  // namespace

bool ReadCalendar(std::int64_t unix_seconds, std::tm& local, std::tm& utc) {
  constexpr std::int64_t kSeconds1601To1970 = 11'644'473'600;
  if (unix_seconds < -kSeconds1601To1970) return false;
  const auto ticks = static_cast<std::uint64_t>(unix_seconds + kSeconds1601To1970) * 10'000'000;
  FILETIME filetime{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME universal{}, here{};
  if (!::FileTimeToSystemTime(&filetime, &universal) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &here))
    return false;
  Fill(universal, utc);
  Fill(here, local);
  return true;
}

}  // namespace quorlin
