// POSIX: localtime_r and gmtime_r, which read any instant a time_t holds.
#include "converter/text/calendar_reading.h"

namespace quorlin {

bool ReadCalendar(std::int64_t unix_seconds, std::tm& local, std::tm& utc) {
  const auto instant = static_cast<std::time_t>(unix_seconds);
  return localtime_r(&instant, &local) && gmtime_r(&instant, &utc);
}

}  // namespace quorlin
