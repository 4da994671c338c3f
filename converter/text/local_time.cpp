// FILETIME to local calendar time. The UTC offset is the difference between the local and
// the UTC calendar reading of the same instant, so no platform field for it is needed.
#include "converter/text/local_time.h"

#include "converter/text/calendar_reading.h"

#include <cstdio>
#include <ctime>

namespace quorlin {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSeconds1601To1970 = 11'644'473'600;

constexpr const char* kMonths[12] = {"January", "February", "March",     "April",
                                     "May",     "June",     "July",      "August",
                                     "September", "October", "November", "December"};

// Days from 1 January 1970 to the given proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t year_of_era = year - era * 400;
  const std::int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

std::int64_t CalendarSeconds(const std::tm& tm) {
  return DaysFromCivil(tm.tm_year + 1900LL, tm.tm_mon + 1, tm.tm_mday) * 86400 +
         tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

// The local calendar reading of a FILETIME, and its UTC reading; false when the time is
// not set or its local date falls outside the years 1601 to 9999.
bool LocalAndUtc(std::uint64_t filetime, std::tm& local, std::tm& utc) {
  const std::optional<std::int64_t> unix_seconds = UnixSeconds(filetime);
  if (!unix_seconds) return false;
  if (!ReadCalendar(*unix_seconds, local, utc)) return false;
  const long long year = local.tm_year + 1900LL;
  return year >= 1601 && year <= 9999 && local.tm_mon >= 0 && local.tm_mon <= 11;
}

bool IsLeap(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// The year of a day counted from 1 January 1970.
std::int64_t YearOfDay(std::int64_t days) {
  std::int64_t year = 1970 + days / 366;
  while (DaysFromCivil(year + 1, 1, 1) <= days) ++year;
  while (DaysFromCivil(year, 1, 1) > days) --year;
  return year;
}

// When `change` happens in `year`, in minutes since 1970 of the local time before it.
std::int64_t ChangeMinutes(const ZoneRule::Change& change, std::int64_t year) {
  static constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const std::int64_t first = DaysFromCivil(year, change.month, 1);
  const int first_weekday = static_cast<int>(((first + 4) % 7 + 7) % 7);  // 1 January 1970 was a Thursday
  int day = 1 + (change.weekday - first_weekday + 7) % 7 + 7 * (change.week - 1);
  const int length = kMonthDays[change.month - 1] + (change.month == 2 && IsLeap(year) ? 1 : 0);
  while (day > length) day -= 7;
  return (first + day - 1) * 1440 + change.minute;
}

}  // namespace

std::optional<ZoneRule> ReadZoneRule(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 48) return std::nullopt;
  const auto u16 = [&bytes](std::size_t at) { return static_cast<int>(bytes[at] | (bytes[at + 1] << 8)); };
  const auto i32 = [&bytes](std::size_t at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
                                     (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
                                     (static_cast<std::uint32_t>(bytes[at + 3]) << 24));
  };
  // Each change is a system time: year, month, weekday, day (the week), hour, minute, ...
  const auto change = [&u16](std::size_t at) {
    return ZoneRule::Change{u16(at + 2), u16(at + 4), u16(at + 6), u16(at + 8) * 60 + u16(at + 10)};
  };
  ZoneRule zone{i32(0), i32(4), i32(8), change(14), change(32)};
  for (std::int32_t bias : {zone.bias, zone.standard_bias, zone.daylight_bias})
    if (bias < -24 * 60 || bias > 24 * 60) return std::nullopt;
  for (const ZoneRule::Change& c : {zone.standard, zone.daylight})
    if (c.month < 0 || c.month > 12 || c.weekday > 6 || (c.month > 0 && (c.week < 1 || c.week > 5)) ||
        c.minute >= 1440)
      return std::nullopt;
  if (zone.standard.month == 0 || zone.daylight.month == 0) zone.standard.month = zone.daylight.month = 0;
  return zone;
}

std::uint64_t UtcFileTime(const ZoneRule& zone, std::uint32_t local_minutes) {
  const std::int64_t local = std::int64_t{local_minutes} - kSeconds1601To1970 / 60;  // since 1970
  bool daylight = false;
  if (zone.daylight.month != 0) {
    const std::int64_t year = YearOfDay(local >= 0 ? local / 1440 : (local - 1439) / 1440);
    const std::int64_t begins = ChangeMinutes(zone.daylight, year);
    const std::int64_t ends = ChangeMinutes(zone.standard, year);
    daylight = begins < ends ? local >= begins && local < ends : local >= begins || local < ends;
  }
  const std::int64_t utc = local + zone.bias + (daylight ? zone.daylight_bias : zone.standard_bias);
  return static_cast<std::uint64_t>(utc * 60 + kSeconds1601To1970) * kTicksPerSecond;
}

std::optional<std::int64_t> UnixSeconds(std::uint64_t filetime) {
  if (filetime == 0) return std::nullopt;
  return static_cast<std::int64_t>(filetime / kTicksPerSecond) - kSeconds1601To1970;
}

std::optional<std::string> FormatLocalStamp(std::uint64_t filetime) {
  std::tm local{};
  std::tm utc{};
  if (!LocalAndUtc(filetime, local, utc)) return std::nullopt;
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
  return std::string(text);
}

std::optional<std::string> FormatLocalTime(std::uint64_t filetime) {
  std::tm local{};
  std::tm utc{};
  if (!LocalAndUtc(filetime, local, utc)) return std::nullopt;
  const long long year = local.tm_year + 1900LL;

  const std::int64_t offset = CalendarSeconds(local) - CalendarSeconds(utc);
  const std::int64_t offset_minutes = (offset < 0 ? -offset : offset) / 60;
  char text[64];
  std::snprintf(text, sizeof text, "%d %s %lld %02d:%02d %c%02d:%02d", local.tm_mday,
                kMonths[local.tm_mon], year, local.tm_hour, local.tm_min, offset < 0 ? '-' : '+',
                static_cast<int>(offset_minutes / 60), static_cast<int>(offset_minutes % 60));
  return std::string(text);
}

std::optional<std::string> FormatDate(std::uint64_t filetime) {
  if (filetime == 0) return std::nullopt;
  const std::int64_t days = static_cast<std::int64_t>(filetime / kTicksPerSecond / 86400);
  // Days since 1 January 1601 to a civil date (the inverse of DaysFromCivil, shifted).
  const std::int64_t since_epoch = days + DaysFromCivil(1601, 1, 1) + 719468;
  const std::int64_t era = since_epoch / 146097;
  const std::int64_t day_of_era = since_epoch - era * 146097;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t mp = (5 * day_of_year + 2) / 153;
  const int day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const long long year = year_of_era + era * 400 + (month <= 2);
  if (year < 1601 || year > 9999) return std::nullopt;
  char text[48];
  std::snprintf(text, sizeof text, "%d %s %lld", day, kMonths[month - 1], year);
  return std::string(text);
}

}  // namespace quorlin
