// Property look-up on a message's storages. A property lives either in an element of its
// own, named "__substg1.0_" + identifier + type, or as a fixed 16-byte entry of the
// "__properties_version1.0" stream after a header of `propHeaderSize` bytes.
#include "converter/msg/outlook_storage.h"

#include <bit>

#include "converter/base/byte_cursor.h"
#include "converter/text/code_page.h"
#include "converter/base/errors.h"

namespace quorlin {
namespace {

constexpr std::u16string_view kPropertyStream = u"__properties_version1.0";
constexpr std::u16string_view kPropertyPrefix = u"__substg1.0_";
constexpr std::size_t kPropertyNameLength = 20;  // prefix, 4-digit id, 4-digit type
constexpr std::size_t kEntrySize = 16;

std::u16string Widen(std::string_view text) { return std::u16string(text.begin(), text.end()); }

bool StartsWith(std::u16string_view name, std::u16string_view prefix) {
  return name.substr(0, prefix.size()) == prefix;
}

std::optional<std::uint16_t> ParseHex4(std::u16string_view digits) {
  if (digits.size() != 4) return std::nullopt;
  std::uint16_t value = 0;
  for (char16_t c : digits) {
    int digit = c >= u'0' && c <= u'9' ? c - u'0'
                : c >= u'A' && c <= u'F' ? c - u'A' + 10
                : c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = static_cast<std::uint16_t>(value * 16 + digit);
  }
  return value;
}

// An identifier as callers spell it: exactly 4 digits, letters upper-case.
std::optional<std::uint16_t> ParseId(std::string_view id) {
  if (id.size() != 4) return std::nullopt;
  std::uint16_t value = 0;
  for (char c : id) {
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = static_cast<std::uint16_t>(value * 16 + digit);
  }
  return value;
}

}  // namespace

OutlookStorage::OutlookStorage(Storage storage, std::uint32_t prop_header_size,
                               const Message* parent)
    : storage_(std::move(storage)), prop_header_size_(prop_header_size), parent_(parent) {
  for (Element& element : storage_.Elements()) {
    auto& map = element.kind == EntryKind::kStorage ? sub_storages_ : streams_;
    std::u16string name = element.name;
    map.emplace(std::move(name), std::move(element));  // a repeated name keeps the first
  }
}

std::optional<PropertyElement> OutlookStorage::FindPropertyElement(std::string_view id) const {
  const std::u16string prefix = std::u16string(kPropertyPrefix) + Widen(id);
  for (const auto* map : {&streams_, &sub_storages_}) {
    for (const auto& [name, element] : *map) {
      if (!StartsWith(name, prefix)) continue;
      std::u16string_view full(name);
      std::optional<std::uint16_t> type =
          full.size() >= kPropertyNameLength ? ParseHex4(full.substr(16, 4)) : std::nullopt;
      if (!type)
        throw PropertyError("MAPI property element \"" + NameForMessages(name) +
                            "\" has a malformed name.");
      if (*type == 0) return std::nullopt;  // no type: the fixed entries decide
      if (*type != kTypeObject && *type != kTypeString8 && *type != kTypeUnicode &&
          *type != kTypeBinary)
        throw PropertyError(kUnsupportedTypeMessage);
      // The element to read is the one named by the first 20 characters, of the kind the
      // type calls for.
      std::u16string_view wanted = full.substr(0, kPropertyNameLength);
      const auto& kind_map = *type == kTypeObject ? sub_storages_ : streams_;
      auto found = kind_map.find(std::u16string(wanted));
      if (found == kind_map.end())
        throw PropertyError("MAPI property element \"" + NameForMessages(wanted) +
                            "\" is missing.");
      return PropertyElement{found->second, *type};
    }
  }
  return std::nullopt;
}

std::vector<std::uint8_t> OutlookStorage::ReadPropertyStream(const PropertyElement& property) const {
  return storage_.ReadStream(property.element);
}

PropertyValue OutlookStorage::GetMapiProperty(std::string_view id) const {
  std::optional<PropertyElement> property = FindPropertyElement(id);
  if (!property) return GetFixedProperty(id);
  switch (property->type) {
    case kTypeString8: return DecodeCodePage(ReadPropertyStream(*property), 65001);
    case kTypeUnicode: return DecodeUtf16Le(ReadPropertyStream(*property));
    case kTypeBinary: return ReadPropertyStream(*property);
    case kTypeObject: return storage_.OpenStorage(property->element);
  }
  throw PropertyError(kUnsupportedTypeMessage);
}

const std::map<std::uint16_t, OutlookStorage::FixedEntry>& OutlookStorage::FixedEntries() const {
  if (fixed_entries_) return *fixed_entries_;
  std::map<std::uint16_t, FixedEntry> entries;
  auto stream = streams_.find(std::u16string(kPropertyStream));
  if (stream != streams_.end()) {
    std::vector<std::uint8_t> bytes = storage_.ReadStream(stream->second);
    // Entries follow the header to the end of the stream; a partial entry at the end is
    // not an entry.
    for (std::size_t offset = prop_header_size_;
         offset < bytes.size() && bytes.size() - offset >= kEntrySize; offset += kEntrySize) {
      std::span<const std::uint8_t> entry = ByteCursor::BytesAt(bytes, offset, kEntrySize, "property entry");
      const std::uint64_t value = ByteCursor::U32At(entry, 8, "property value") |
                                  std::uint64_t{ByteCursor::U32At(entry, 12, "property value")} << 32;
      entries.emplace(ByteCursor::U16At(entry, 2, "property identifier"),
                      FixedEntry{ByteCursor::U16At(entry, 0, "property type"), value});
    }
  }
  fixed_entries_ = std::move(entries);
  return *fixed_entries_;
}

PropertyValue OutlookStorage::GetFixedProperty(std::string_view id) const {
  std::optional<std::uint16_t> identifier = ParseId(id);
  if (!identifier) return std::monostate{};
  const std::map<std::uint16_t, FixedEntry>& entries = FixedEntries();
  auto found = entries.find(*identifier);
  if (found == entries.end()) return std::monostate{};
  if (found->second.type == kTypeInt16) return static_cast<std::int16_t>(found->second.value & 0xFFFF);
  if (found->second.type == kTypeInt32)
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(found->second.value));
  throw PropertyError(kUnsupportedTypeMessage);
}

std::optional<std::vector<std::uint8_t>> OutlookStorage::GetBytes(std::string_view id) const {
  PropertyValue value = GetMapiProperty(id);
  if (auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value)) return std::move(*bytes);
  return std::nullopt;
}

std::optional<std::int32_t> OutlookStorage::FindInt32(std::string_view id) const {
  PropertyValue value = GetMapiProperty(id);
  if (auto* number = std::get_if<std::int32_t>(&value)) return *number;
  return std::nullopt;
}

std::int32_t OutlookStorage::GetInt32(std::string_view id) const {
  std::optional<std::int32_t> number = FindInt32(id);
  if (!number)
    throw PropertyError("MAPI property " + std::string(id) +
                        " is missing or is not a 32-bit integer.");
  return *number;
}

std::optional<std::uint64_t> OutlookStorage::FindFixedValue(std::string_view id,
                                                            std::uint16_t type) const {
  std::optional<std::uint16_t> identifier = ParseId(id);
  if (!identifier) return std::nullopt;
  const std::map<std::uint16_t, FixedEntry>& entries = FixedEntries();
  auto found = entries.find(*identifier);
  if (found == entries.end() || found->second.type != type) return std::nullopt;
  return found->second.value;
}

std::optional<std::uint64_t> OutlookStorage::FindTime(std::string_view id) const {
  return FindFixedValue(id, kTypeTime);
}

std::optional<double> OutlookStorage::FindDouble(std::string_view id) const {
  std::optional<std::uint64_t> bits = FindFixedValue(id, kTypeDouble);
  if (!bits) return std::nullopt;
  return std::bit_cast<double>(*bits);
}

std::optional<bool> OutlookStorage::FindBoolean(std::string_view id) const {
  std::optional<std::uint16_t> identifier = ParseId(id);
  if (!identifier) return std::nullopt;
  const std::map<std::uint16_t, FixedEntry>& entries = FixedEntries();
  auto found = entries.find(*identifier);
  if (found == entries.end()) return std::nullopt;
  switch (found->second.type) {
    case kTypeBoolean:
    case kTypeInt16: return (found->second.value & 0xFFFF) != 0;
    case kTypeInt32: return (found->second.value & 0xFFFFFFFF) != 0;
  }
  return std::nullopt;
}

std::optional<std::u16string> OutlookStorage::GetString(std::string_view id) const {
  PropertyValue value = GetMapiProperty(id);
  if (auto* text = std::get_if<std::u16string>(&value)) return std::move(*text);
  return std::nullopt;
}

}  // namespace quorlin
