// FILETIME to local calendar time. The UTC offset is the difference between the local and
// the UTC calendar reading of the same instant, so no platform field for it is needed.
#include "converter/document/local_time.h"

#include "converter/document/calendar_reading.h"

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

}  // namespace

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
