// A message time as people read it in a document: in the local time zone, with the day,
// the month's English name, the year, the time and the offset from UTC, so the line can be
// neither misread nor depend on the reader's locale ("8 December 2026 14:05 +01:00").
#pragma once

#include <cstdint>
#include <optional>
#include <span>
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

// A meeting's own time zone as its appointment states it (the time zone structure): its
// bias from UTC in minutes (UTC = local + bias) and, when it keeps daylight-saving time,
// the yearly day and hour each part of the year begins.
struct ZoneRule {
  struct Change {
    int month = 0;        // 1 to 12; 0 when the zone has no daylight-saving time
    int weekday = 0;      // 0 Sunday to 6 Saturday
    int week = 0;         // 1 to 4, 5 for the last in the month
    int minute = 0;       // of the day, in the local time before the change
  };
  std::int32_t bias = 0;
  std::int32_t standard_bias = 0;
  std::int32_t daylight_bias = 0;
  Change standard, daylight;
};

// Reads the structure's 48 bytes; nothing when there are fewer or a field is out of range.
std::optional<ZoneRule> ReadZoneRule(std::span<const std::uint8_t> bytes);

// The FILETIME (UTC) of `local_minutes`, minutes since 1 January 1601 in the zone.
std::uint64_t UtcFileTime(const ZoneRule& zone, std::uint32_t local_minutes);

// Seconds since 1970 (UTC) for a FILETIME; nothing when it is zero (not set).
std::optional<std::int64_t> UnixSeconds(std::uint64_t filetime);

}  // namespace quorlin
