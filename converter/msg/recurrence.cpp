// Reading a recurrence pattern: the fixed fields, the pattern type's own fields, the end,
// the deleted and modified instance dates, then the appointment's exception records with
// the fields their override flags say are present, and, from writers that add them, the
// records' Unicode subjects and locations. Times count minutes since 1 January 1601 in the
// meeting's time zone.
#include "converter/msg/recurrence.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "converter/base/byte_cursor.h"
#include "converter/text/code_page.h"
#include "converter/base/errors.h"
#include "converter/text/local_time.h"

namespace quorlin {
namespace {

constexpr std::uint16_t kPatternVersion = 0x3004;
constexpr std::uint32_t kAppointmentVersion = 0x3006;
constexpr std::uint32_t kWriterWithExtendedExceptions = 0x3009;
constexpr std::uint32_t kEndAfterDate = 0x2021;
constexpr std::uint32_t kEndAfterCount = 0x2022;
constexpr std::uint64_t kTicksPerMinute = 600'000'000;
constexpr std::uint32_t kMinutesPerDay = 1440;

// Override flags of an exception record: which fields it carries.
constexpr std::uint16_t kChangedSubject = 0x0001;
constexpr std::uint16_t kChangedMeetingType = 0x0002;
constexpr std::uint16_t kChangedReminderDelta = 0x0004;
constexpr std::uint16_t kChangedReminder = 0x0008;
constexpr std::uint16_t kChangedLocation = 0x0010;
constexpr std::uint16_t kChangedBusyStatus = 0x0020;
constexpr std::uint16_t kChangedAttachment = 0x0040;
constexpr std::uint16_t kChangedSubType = 0x0080;
constexpr std::uint16_t kChangedColor = 0x0100;

std::u16string Widen(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Date(std::uint32_t minutes) {
  std::optional<std::string> text = FormatDate(std::uint64_t{minutes} * kTicksPerMinute);
  return text ? Widen(*text) : std::u16string();
}

std::u16string Clock(std::uint32_t minutes) {
  const std::uint32_t in_day = minutes % kMinutesPerDay;
  const char text[] = {static_cast<char>('0' + in_day / 600), static_cast<char>('0' + in_day / 60 % 10), ':',
                       static_cast<char>('0' + in_day % 60 / 10), static_cast<char>('0' + in_day % 10)};
  return Widen(std::string_view(text, sizeof text));
}

// "5 March 2024 12:00 – 13:00", the date written once when both ends fall on one day.
std::u16string Span(std::uint32_t start, std::uint32_t end) {
  const std::u16string first = Date(start);
  if (first.empty()) return {};
  std::u16string span = first + u" " + Clock(start) + u" \u2013 ";
  const std::u16string last = Date(end);
  if (last.empty() || end < start) return first + u" " + Clock(start);
  if (last != first) span += last + u" ";
  return span + Clock(end);
}

// "5 March 2024 12:00 – 13:00 +01:00": both ends read in the reader's zone, the date and
// the offset written once when they are the same.
std::u16string ZonedSpan(const ZoneRule& zone, std::uint32_t start, std::uint32_t end) {
  const std::optional<std::string> first = FormatLocalTime(UtcFileTime(zone, start));
  if (!first) return {};
  const std::optional<std::string> last = end < start ? std::nullopt : FormatLocalTime(UtcFileTime(zone, end));
  if (!last) return Widen(*first);
  const std::size_t first_offset = first->rfind(' '), last_offset = last->rfind(' ');
  const std::size_t first_clock = first->rfind(' ', first_offset - 1), last_clock = last->rfind(' ', last_offset - 1);
  if (first->compare(0, first_clock, *last, 0, last_clock) == 0 &&
      first->substr(first_offset) == last->substr(last_offset))
    return Widen(first->substr(0, first_offset)) + u" \u2013 " + Widen(last->substr(last_clock + 1));
  return Widen(*first) + u" \u2013 " + Widen(*last);
}

// One line of text: each run of control characters (a line break) becomes one space,
// outer spaces go.
std::u16string OneLine(std::u16string_view raw) {
  std::u16string text;
  bool control = false;
  for (char16_t c : raw) {
    const bool is_control = c < 0x20 || c == 0x7F;
    if (!is_control) text += c;
    else if (!control) text += u' ';
    control = is_control;
  }
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

struct Exception {
  std::uint32_t start = 0, end = 0, original = 0;
  std::uint16_t flags = 0;
  std::u16string subject, location;
};

// An 8-bit text of the record: a length, the same length again, the bytes.
std::u16string ShortText(ByteCursor& cursor, std::uint32_t code_page) {
  cursor.ReadU16("exception text length");
  const std::uint16_t length = cursor.ReadU16("exception text length");
  return OneLine(DecodeCodePage(cursor.ReadBytes(length, "exception text"), code_page));
}

std::u16string WideText(ByteCursor& cursor) {
  const std::uint16_t length = cursor.ReadU16("exception text length");
  return OneLine(DecodeUtf16Le(cursor.ReadBytes(std::size_t{length} * 2, "exception text")));
}

RecurrenceLines Read(std::span<const std::uint8_t> pattern, std::uint32_t code_page, const ZoneRule* zone) {
  ByteCursor cursor(pattern);
  if (cursor.ReadU16("reader version") != kPatternVersion) return {};
  cursor.ReadU16("writer version");
  cursor.ReadU16("frequency");
  const std::uint16_t type = cursor.ReadU16("pattern type");
  cursor.Skip(2 + 4 + 4 + 4, "calendar type, first date, period, sliding flag");
  switch (type) {
    case 0x0: break;                                            // daily
    case 0x1: case 0x2: case 0x4: case 0xA: case 0xC: cursor.Skip(4, "pattern"); break;
    case 0x3: case 0xB: cursor.Skip(8, "pattern"); break;       // the n-th day of a month
    default: return {};
  }
  const std::uint32_t end_type = cursor.ReadU32("end type");
  const std::uint32_t count = cursor.ReadU32("occurrence count");
  cursor.ReadU32("first day of week");
  std::set<std::uint32_t> deleted_days;
  const std::uint32_t deleted = cursor.ReadU32("deleted instance count");
  if (deleted > cursor.remaining() / 4) return {};
  for (std::uint32_t i = 0; i < deleted; ++i) deleted_days.insert(cursor.ReadU32("deleted date") / kMinutesPerDay);
  const std::uint32_t modified = cursor.ReadU32("modified instance count");
  if (modified > cursor.remaining() / 4) return {};
  cursor.Skip(std::size_t{modified} * 4, "modified dates");
  cursor.ReadU32("start date");
  const std::uint32_t end_date = cursor.ReadU32("end date");

  RecurrenceLines lines;
  if (end_type == kEndAfterDate) {
    lines.ends = Date(end_date);
  } else if (end_type == kEndAfterCount && count > 0) {
    const std::u16string last = Date(end_date);
    lines.ends = Widen("after " + std::to_string(count) + (count == 1 ? " occurrence" : " occurrences"));
    if (!last.empty()) lines.ends += u", " + last;
  }

  // The appointment's part: without it the series has no exception records.
  if (cursor.remaining() == 0) {
    for (std::uint32_t day : deleted_days)
      if (std::u16string date = Date(day * kMinutesPerDay); !date.empty()) lines.exceptions.push_back(date + u": cancelled");
    return lines;
  }
  if (cursor.ReadU32("reader version 2") != kAppointmentVersion) return {};
  const std::uint32_t writer = cursor.ReadU32("writer version 2");
  cursor.Skip(8, "time offsets");
  const std::uint16_t exception_count = cursor.ReadU16("exception count");
  std::vector<Exception> exceptions(std::min<std::size_t>(exception_count, cursor.remaining() / 14));
  if (exceptions.size() != exception_count) return {};
  for (Exception& exception : exceptions) {
    exception.start = cursor.ReadU32("exception start");
    exception.end = cursor.ReadU32("exception end");
    exception.original = cursor.ReadU32("exception original start");
    exception.flags = cursor.ReadU16("override flags");
    if (exception.flags & kChangedSubject) exception.subject = ShortText(cursor, code_page);
    for (std::uint16_t flag : {kChangedMeetingType, kChangedReminderDelta, kChangedReminder})
      if (exception.flags & flag) cursor.Skip(4, "exception field");
    if (exception.flags & kChangedLocation) exception.location = ShortText(cursor, code_page);
    for (std::uint16_t flag : {kChangedBusyStatus, kChangedAttachment, kChangedSubType, kChangedColor})
      if (exception.flags & flag) cursor.Skip(4, "exception field");
  }
  cursor.Skip(cursor.ReadU32("reserved block size"), "reserved block");
  if (writer >= kWriterWithExtendedExceptions) {
    // The same records again with their texts in Unicode, which replace the 8-bit ones.
    for (Exception& exception : exceptions) {
      cursor.Skip(cursor.ReadU32("change highlight size"), "change highlight");
      cursor.Skip(cursor.ReadU32("reserved block size"), "reserved block");
      if (!(exception.flags & (kChangedSubject | kChangedLocation))) continue;
      cursor.Skip(12, "exception times");
      if (exception.flags & kChangedSubject) exception.subject = WideText(cursor);
      if (exception.flags & kChangedLocation) exception.location = WideText(cursor);
      cursor.Skip(cursor.ReadU32("reserved block size"), "reserved block");
    }
  }

  // Each occurrence by its original day: changed ones with what changed, deleted ones that
  // were not moved elsewhere as cancelled.
  std::multimap<std::uint32_t, std::u16string> by_day;
  for (const Exception& exception : exceptions) {
    const std::u16string date = Date(exception.original);
    if (date.empty()) continue;
    deleted_days.erase(exception.original / kMinutesPerDay);
    std::u16string what;
    const std::u16string when =
        zone ? ZonedSpan(*zone, exception.start, exception.end) : Span(exception.start, exception.end);
    for (const std::u16string& part : {exception.subject, when, exception.location}) {
      if (part.empty()) continue;
      if (!what.empty()) what += u", ";
      what += part;
    }
    by_day.emplace(exception.original / kMinutesPerDay, date + u": " + what);
  }
  for (std::uint32_t day : deleted_days)
    if (std::u16string date = Date(day * kMinutesPerDay); !date.empty()) by_day.emplace(day, date + u": cancelled");
  for (auto& [day, line] : by_day) {
    if (lines.exceptions.size() == kMostExceptionLines) {
      lines.exceptions.push_back(Widen("and " + std::to_string(by_day.size() - kMostExceptionLines) + " more"));
      break;
    }
    lines.exceptions.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

RecurrenceLines ReadRecurrence(std::span<const std::uint8_t> pattern, std::uint32_t code_page,
                               const ZoneRule* zone) {
  try {
    return Read(pattern, code_page, zone);
  } catch (const FormatError&) {
    return {};
  }
}

}  // namespace quorlin
