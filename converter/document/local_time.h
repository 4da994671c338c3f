// A message time as people read it in a document: in the local time zone, with the day,
// the month's English name, the year, the time and the offset from UTC, so the line can be
// neither misread nor depend on the reader's locale ("8 December 2026 14:05 +01:00").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorlin {

// `filetime` counts 100-nanosecond intervals since 1 January 1601, UTC. The local time
// zone is the process's (TZ, else the system's). Nothing when the time is zero (not set)
// or its local date falls outside the years 1601 to 9999.
std::optional<std::string> FormatLocalTime(std::uint64_t filetime);

// The calendar date of `filetime` read without any time zone ("8 December 2026"), for
// times that already stand for a day in the writer's zone, such as a task's due date.
// Nothing when the time is zero or falls outside the years 1601 to 9999.
std::optional<std::string> FormatDate(std::uint64_t filetime);

// The same instant as a short stamp that sorts as text ("2026-12-08 1405"), for names.
std::optional<std::string> FormatLocalStamp(std::uint64_t filetime);

// Seconds since 1970 (UTC) for a FILETIME; nothing when it is zero (not set).
std::optional<std::int64_t> UnixSeconds(std::uint64_t filetime);

}  // namespace quorlin
