// Reading the details of meetings, contacts and tasks. Named properties are looked up
// by property set and number in the message's named-property map, then read like any
// other property under the identifier the map gives. Every value is hostile: texts are
// cleaned to one line, numbers and times outside their range leave their line out.
#include "converter/document/item_details.h"

#include <cmath>
#include <optional>

#include "converter/text/code_page.h"
#include "converter/base/errors.h"
#include "converter/document/header_code_page.h"
#include "converter/document/property_text.h"
#include "converter/text/local_time.h"
#include "converter/document/message_body.h"
#include "converter/msg/named_properties.h"
#include "converter/msg/property_tags.h"
#include "converter/msg/recurrence.h"

namespace quorlin {
namespace {

// Appointment properties (PSETID_Appointment).
constexpr std::uint32_t kLidLocation = 0x8208;
constexpr std::uint32_t kLidStartWhole = 0x820D;
constexpr std::uint32_t kLidEndWhole = 0x820E;
constexpr std::uint32_t kLidAppointmentRecur = 0x8216;
constexpr std::uint32_t kLidRecurrencePattern = 0x8232;
constexpr std::uint32_t kLidTimeZoneStruct = 0x8233;
constexpr std::uint32_t kLidClipStart = 0x8235;
constexpr std::uint32_t kLidClipEnd = 0x8236;
// Contact properties (PSETID_Address).
constexpr std::uint32_t kLidHomeAddress = 0x801A;
constexpr std::uint32_t kLidWorkAddress = 0x801B;
constexpr std::uint32_t kLidOtherAddress = 0x801C;
constexpr std::uint32_t kLidWebPage = 0x802B;
constexpr std::uint32_t kLidWorkStreet = 0x8045;
constexpr std::uint32_t kLidWorkCity = 0x8046;
constexpr std::uint32_t kLidWorkPostalCode = 0x8048;
constexpr std::uint32_t kLidWorkCountry = 0x8049;
constexpr std::uint32_t kLidEmailDisplayName[] = {0x8080, 0x8090, 0x80A0};
constexpr std::uint32_t kLidEmailAddress[] = {0x8083, 0x8093, 0x80A3};
// Task properties (PSETID_Task).
constexpr std::uint32_t kLidTaskStatus = 0x8101;
constexpr std::uint32_t kLidPercentComplete = 0x8102;
constexpr std::uint32_t kLidTaskStartDate = 0x8104;
constexpr std::uint32_t kLidTaskDueDate = 0x8105;
constexpr std::uint32_t kLidTaskOwner = 0x811F;

// A task date at or after this one (1 January 4501) means "no date".
constexpr std::uint64_t kNoTaskDate = 0x5AE980E0ULL * 600'000'000ULL;
constexpr std::int32_t kRecipientOrganizer = 0x0002;

enum class ItemKind { kOther, kMeeting, kContact, kTask };

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Message classes compare without regard to case; "IPM.Task" also covers "IPM.Task.X".
bool IsClass(std::u16string_view message_class, std::u16string_view base, bool subclass_only = false) {
  if (message_class.size() < base.size()) return false;
  for (std::size_t i = 0; i < base.size(); ++i)
    if (Lower(message_class[i]) != Lower(base[i])) return false;
  if (message_class.size() == base.size()) return !subclass_only;
  return message_class[base.size()] == u'.';
}

// Line breaks become `joiner` between the non-empty lines; other control characters
// become spaces; end-of-string marks and outer spaces go.
std::u16string Clean(std::u16string_view text, std::u16string_view joiner) {
  std::u16string result;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string line(text.substr(start, end - start));
    for (char16_t& c : line)
      if (c < 0x20 || c == 0x7F) c = u' ';
    const std::size_t first = line.find_first_not_of(u' ');
    if (first != std::u16string::npos) {
      if (!result.empty()) result += joiner;
      result += line.substr(first, line.find_last_not_of(u' ') - first + 1);
    }
    start = end + 1;
  }
  return result;
}

std::u16string Joined(const std::vector<std::u16string>& parts, std::u16string_view joiner) {
  std::u16string joined;
  for (const std::u16string& part : parts) {
    if (part.empty()) continue;
    if (!joined.empty()) joined += joiner;
    joined += part;
  }
  return joined;
}

std::u16string Widen(std::string_view text) { return std::u16string(text.begin(), text.end()); }

class DetailReader {
 public:
  explicit DetailReader(const Message& message)
      : message_(message), names_(NamedProperties::Of(message)), code_page_(HeaderCodePage(message)) {}

  std::u16string RawText(const OutlookStorage& storage, std::string_view id) const {
    return PropertyText(storage, id, code_page_);
  }
  std::u16string Text(const OutlookStorage& storage, std::string_view id) const {
    return Clean(RawText(storage, id), u" ");
  }
  std::u16string Text(std::string_view id) const { return Text(message_, id); }

  std::optional<std::string> Named(const PropertySetId& set, std::uint32_t lid) const {
    std::optional<std::uint16_t> id = names_.Find(set, lid);
    if (!id) return std::nullopt;
    return PropertyIdText(*id);
  }
  std::u16string NamedText(const PropertySetId& set, std::uint32_t lid, std::u16string_view joiner = u" ") const {
    std::optional<std::string> id = Named(set, lid);
    return id ? Clean(RawText(message_, *id), joiner) : std::u16string();
  }
  std::optional<std::uint64_t> NamedTime(const PropertySetId& set, std::uint32_t lid) const {
    std::optional<std::string> id = Named(set, lid);
    return id ? message_.FindTime(*id) : std::nullopt;
  }
  std::optional<std::int32_t> NamedInt32(const PropertySetId& set, std::uint32_t lid) const {
    std::optional<std::string> id = Named(set, lid);
    if (!id) return std::nullopt;
    std::optional<std::uint64_t> value = message_.FindFixedValue(*id, kTypeInt32);
    if (!value) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
  }
  // A binary property's bytes, or nothing when it is absent or of another type.
  std::optional<std::vector<std::uint8_t>> NamedBytes(const PropertySetId& set, std::uint32_t lid) const {
    std::optional<std::string> id = Named(set, lid);
    if (!id) return std::nullopt;
    std::optional<PropertyElement> property = message_.FindPropertyElement(*id);
    if (!property || property->type != kTypeBinary) return std::nullopt;
    return message_.ReadPropertyStream(*property);
  }
  std::uint32_t code_page() const { return code_page_; }
  std::optional<double> NamedDouble(const PropertySetId& set, std::uint32_t lid) const {
    std::optional<std::string> id = Named(set, lid);
    return id ? message_.FindDouble(*id) : std::nullopt;
  }

  const Message& message() const { return message_; }

 private:
  const Message& message_;
  NamedProperties names_;
  std::uint32_t code_page_;
};

void Add(std::vector<DetailLine>& lines, const char* label, std::u16string value) {
  if (!value.empty()) lines.push_back({label, std::move(value)});
}

std::u16string LocalTime(std::optional<std::uint64_t> filetime) {
  if (!filetime) return {};
  std::optional<std::string> text = FormatLocalTime(*filetime);
  return text ? Widen(*text) : std::u16string();
}

// "28 February 2017 19:30 – 20:00 +01:00": two local times of one day, in one zone,
// written with their date and offset once; others in full.
std::u16string TimeSpan(const std::u16string& start, const std::u16string& end) {
  if (start.empty() || end.empty()) return start;
  const std::size_t start_offset = start.rfind(u' '), end_offset = end.rfind(u' ');
  const std::size_t start_time = start.rfind(u' ', start_offset - 1), end_time = end.rfind(u' ', end_offset - 1);
  if (start_offset == std::u16string::npos || end_offset == std::u16string::npos || start_offset == 0 ||
      end_offset == 0 || start_time == std::u16string::npos || end_time == std::u16string::npos ||
      start.compare(0, start_time, end, 0, end_time) != 0 || start.substr(start_offset) != end.substr(end_offset))
    return start + u" \u2013 " + end;
  return start.substr(0, start_offset) + u" \u2013 " + end.substr(end_time + 1);
}

// Adds `country` as the address's last part unless it ends with it already.
std::u16string WithCountry(std::u16string address, const std::u16string& country) {
  if (country.empty() || address.empty()) return address;
  if (address.size() >= country.size() && address.compare(address.size() - country.size(), country.size(), country) == 0)
    return address;
  return address + u", " + country;
}

// A person as a list shows them: the name, else an Internet address; an address inside
// an organisation's directory ("/O=...") means nothing on paper.
std::u16string PersonName(const DetailReader& reader, const OutlookStorage& storage,
                          const char* name_id, const char* smtp_id, const char* address_id) {
  std::u16string name = reader.Text(storage, name_id);
  if (name.empty()) name = reader.Text(storage, smtp_id);
  if (name.empty()) {
    name = reader.Text(storage, address_id);
    if (name.starts_with(u'/')) name.clear();
  }
  return name;
}

void MeetingLines(const DetailReader& reader, std::u16string_view message_class,
                  std::vector<DetailLine>& lines) {
  const Message& message = reader.message();
  auto time = [&](std::uint32_t lid, const char* fixed_id, std::uint32_t clip_lid) {
    for (std::optional<std::uint64_t> value :
         {reader.NamedTime(kPsetidAppointment, lid), message.FindTime(fixed_id),
          reader.NamedTime(kPsetidAppointment, clip_lid)}) {
      std::u16string text = LocalTime(value);
      if (!text.empty()) return text;
    }
    return std::u16string();
  };
  const std::u16string start = time(kLidStartWhole, "0060", kLidClipStart);
  const std::u16string end = time(kLidEndWhole, "0061", kLidClipEnd);
  Add(lines, "When:", TimeSpan(start, end));
  Add(lines, "Where:", reader.NamedText(kPsetidAppointment, kLidLocation));
  Add(lines, "Recurrence:", reader.NamedText(kPsetidAppointment, kLidRecurrencePattern));
  if (std::optional<std::vector<std::uint8_t>> pattern = reader.NamedBytes(kPsetidAppointment, kLidAppointmentRecur)) {
    // The exceptions' times are the meeting's own: read in its zone, shown in the reader's
    // like the start and end above, so every time of the meeting is in one zone.
    std::optional<ZoneRule> zone;
    if (std::optional<std::vector<std::uint8_t>> rule = reader.NamedBytes(kPsetidAppointment, kLidTimeZoneStruct))
      zone = ReadZoneRule(*rule);
    RecurrenceLines series = ReadRecurrence(*pattern, reader.code_page(), zone ? &*zone : nullptr);
    Add(lines, "Ends:", std::move(series.ends));
    for (std::u16string& exception : series.exceptions) Add(lines, "Exception:", std::move(exception));
  }

  std::u16string organizer;
  std::vector<std::u16string> required, optional;
  for (const Recipient& recipient : message.recipients()) {
    const std::u16string name = PersonName(reader, recipient, "3001", "39FE", "3003");
    const std::int32_t flags = static_cast<std::int32_t>(recipient.FindFixedValue("5FFD", kTypeInt32).value_or(0));
    const std::optional<std::uint64_t> type = recipient.FindFixedValue("0C15", kTypeInt32);
    if ((flags & kRecipientOrganizer) != 0) {
      if (organizer.empty()) organizer = name;
    } else if (type && (*type & 0x0F) == 1) {
      required.push_back(name);
    } else if (type && (*type & 0x0F) == 2) {
      optional.push_back(name);
    }
  }
  // Without a recipient marked as organizer, the sender is the organizer of what the
  // organizer sends (the meeting itself, a request, a cancellation), not of a response.
  if (organizer.empty() && !IsClass(message_class, u"IPM.Schedule.Meeting.Resp"))
    organizer = PersonName(reader, message, "0C1A", "5D01", "0C1F");
  Add(lines, "Organizer:", organizer);
  Add(lines, "Required:", Joined(required, u"; "));
  Add(lines, "Optional:", Joined(optional, u"; "));
}

void ContactLines(const DetailReader& reader, std::vector<DetailLine>& lines) {
  Add(lines, "Full name:", reader.Text("3001"));
  Add(lines, "Company:", reader.Text("3A16"));
  Add(lines, "Job title:", reader.Text("3A17"));
  Add(lines, "Department:", reader.Text("3A18"));
  std::vector<std::u16string> emails;
  for (int n = 0; n < 3; ++n) {
    std::u16string address = reader.NamedText(kPsetidAddress, kLidEmailAddress[n]);
    if (address.empty() || address.starts_with(u'/'))
      address = reader.NamedText(kPsetidAddress, kLidEmailDisplayName[n]);
    emails.push_back(std::move(address));
  }
  Add(lines, "E-mail:", Joined(emails, u"; "));
  Add(lines, "Business phone:", reader.Text("3A08"));
  Add(lines, "Home phone:", reader.Text("3A09"));
  Add(lines, "Mobile phone:", reader.Text("3A1C"));
  Add(lines, "Business fax:", reader.Text("3A24"));
  // A whole address's lines are joined with commas; without it, its parts.
  std::u16string business = reader.NamedText(kPsetidAddress, kLidWorkAddress, u", ");
  if (business.empty())
    business = Joined({reader.NamedText(kPsetidAddress, kLidWorkStreet, u", "),
                       Joined({reader.NamedText(kPsetidAddress, kLidWorkPostalCode),
                               reader.NamedText(kPsetidAddress, kLidWorkCity)},
                              u" ")},
                      u", ");
  std::u16string business_country = reader.NamedText(kPsetidAddress, kLidWorkCountry);
  if (business_country.empty()) business_country = reader.Text("3A26");
  Add(lines, "Business address:", WithCountry(std::move(business), business_country));
  std::u16string home = reader.NamedText(kPsetidAddress, kLidHomeAddress, u", ");
  if (home.empty())
    home = Joined({Clean(reader.RawText(reader.message(), "3A5D"), u", "),
                   Joined({reader.Text("3A5B"), reader.Text("3A59")}, u" ")},
                  u", ");
  Add(lines, "Home address:", WithCountry(std::move(home), reader.Text("3A5A")));
  Add(lines, "Other address:",
      WithCountry(reader.NamedText(kPsetidAddress, kLidOtherAddress, u", "), reader.Text("3A60")));
  std::u16string web_page = reader.NamedText(kPsetidAddress, kLidWebPage);
  Add(lines, "Web page:", web_page.empty() ? reader.Text("3A51") : web_page);
}

void TaskLines(const DetailReader& reader, std::vector<DetailLine>& lines) {
  // The start and due dates are days in the writer's zone, stored as midnight: shown as
  // dates, not moved into the reader's zone.
  for (const auto& [label, lid] : {std::pair{"Start:", kLidTaskStartDate}, std::pair{"Due:", kLidTaskDueDate}}) {
    std::optional<std::uint64_t> day = reader.NamedTime(kPsetidTask, lid);
    if (!day || *day >= kNoTaskDate) continue;
    if (std::optional<std::string> date = FormatDate(*day)) Add(lines, label, Widen(*date));
  }
  if (std::optional<std::int32_t> status = reader.NamedInt32(kPsetidTask, kLidTaskStatus)) {
    static constexpr const char16_t* kStatus[] = {u"Not started", u"In progress", u"Complete",
                                                  u"Waiting on someone else", u"Deferred"};
    const auto value = static_cast<std::uint32_t>(*status);
    if (value < std::size(kStatus)) Add(lines, "Status:", kStatus[value]);
  }
  if (std::optional<double> percent = reader.NamedDouble(kPsetidTask, kLidPercentComplete)) {
    const double fraction = *percent;
    if (std::isfinite(fraction) && fraction >= 0.0 && fraction <= 1.0)
      Add(lines, "% Complete:", Widen(std::to_string(std::lround(fraction * 100.0)) + "%"));
  }
  Add(lines, "Owner:", reader.NamedText(kPsetidTask, kLidTaskOwner));
}

}  // namespace

std::vector<DetailLine> ReadItemDetails(const Message& message) {
  std::vector<DetailLine> lines;
  const std::u16string message_class = Clean(PropertyText(message, tags::kMessageClass, HeaderCodePage(message)), u"");
  ItemKind kind = ItemKind::kOther;
  if (IsClass(message_class, u"IPM.Appointment") || IsClass(message_class, u"IPM.Schedule.Meeting", true))
    kind = ItemKind::kMeeting;
  else if (IsClass(message_class, u"IPM.Contact"))
    kind = ItemKind::kContact;
  else if (IsClass(message_class, u"IPM.Task"))
    kind = ItemKind::kTask;
  if (kind == ItemKind::kOther) return lines;

  const DetailReader reader(message);
  if (kind == ItemKind::kMeeting) MeetingLines(reader, message_class, lines);
  if (kind == ItemKind::kContact) ContactLines(reader, lines);
  if (kind == ItemKind::kTask) TaskLines(reader, lines);
  return lines;
}

}  // namespace quorlin
