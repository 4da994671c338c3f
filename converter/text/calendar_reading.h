// An instant read on the calendar, in the local time zone and in UTC, by the system.
#pragma once

#include <cstdint>
#include <ctime>

namespace quorlin {

// Fills `local` and `utc` (tm_year .. tm_sec) for `unix_seconds`; false when the system
// cannot read that instant.
bool ReadCalendar(std::int64_t unix_seconds, std::tm& local, std::tm& utc);

}  // namespace quorlin
