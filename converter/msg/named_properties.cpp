// Reading the named-property map. The entry stream holds one 8-byte entry per named
// property: a number (or an offset into the string stream), then the property's kind
// and the index of its property set, then its index among the named properties, which
// is its identifier less 0x8000. Everything read from the streams is checked; an entry
// that points outside them, or at no property set, is left out.
#include "converter/msg/named_properties.h"

#include <algorithm>
#include <cstdio>

#include "converter/base/byte_cursor.h"
#include "converter/text/code_page.h"
#include "converter/msg/message.h"

namespace quorlin {
namespace {

constexpr std::u16string_view kMapStorage = u"__nameid_version1.0";
constexpr std::u16string_view kGuidStream = u"__substg1.0_00020102";
constexpr std::u16string_view kEntryStream = u"__substg1.0_00030102";
constexpr std::u16string_view kStringStream = u"__substg1.0_00040102";

constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kGuidSize = 16;
constexpr std::uint16_t kFirstNamedId = 0x8000;
constexpr std::uint16_t kLastNamedId = 0xFFFE;
// One entry per identifier at most: entries beyond that many name nothing new, and
// reading them would let a crafted file build an arbitrarily large map.
constexpr std::size_t kMaxEntries = kLastNamedId - kFirstNamedId + 1;

// Property set index 1 and 2 are fixed; 3 and up count GUIDs in the GUID stream.
std::optional<PropertySetId> SetAt(std::span<const std::uint8_t> guids, std::uint16_t index) {
  if (index == 1) return kPsMapi;
  if (index == 2) return kPsPublicStrings;
  if (index < 3) return std::nullopt;
  const std::size_t offset = std::size_t{index - 3u} * kGuidSize;
  if (offset > guids.size() || guids.size() - offset < kGuidSize) return std::nullopt;
  PropertySetId set;
  std::copy_n(guids.begin() + static_cast<std::ptrdiff_t>(offset), kGuidSize, set.begin());
  return set;
}

// A string name: a 4-byte byte length, then that many bytes of UTF-16LE. `bytes_left`
// is what the names read so far have left of the string stream's size: in a real map
// each name has bytes of its own, while a crafted one could point every entry at one long
// name, or at long names overlapping each other, and have gigabytes of names made.
std::optional<std::u16string> NameAt(std::span<const std::uint8_t> strings, std::uint32_t offset,
                                     std::size_t& bytes_left) {
  if (offset > strings.size() || strings.size() - offset < 4) return std::nullopt;
  const std::uint32_t length = ByteCursor::U32At(strings, offset, "property name length");
  if (length == 0 || length % 2 != 0 || length > strings.size() - offset - 4 || length > bytes_left)
    return std::nullopt;
  bytes_left -= length;
  return DecodeUtf16Le(ByteCursor::BytesAt(strings, offset + 4, length, "property name"));
}

std::vector<std::uint8_t> StreamIn(const Storage& storage, const std::vector<Element>& elements,
                                   std::u16string_view name) {
  for (const Element& element : elements)
    if (element.kind == EntryKind::kStream && element.name == name) return storage.ReadStream(element);
  return {};
}

}  // namespace

std::string PropertyIdText(std::uint16_t id) {
  char digits[5];
  std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(id));
  return digits;
}

NamedProperties NamedProperties::Parse(std::span<const std::uint8_t> guids,
                                       std::span<const std::uint8_t> entries,
                                       std::span<const std::uint8_t> strings) {
  NamedProperties map;
  const std::size_t count = std::min(entries.size() / kEntrySize, kMaxEntries);
  ByteCursor cursor(entries);
  std::size_t name_bytes_left = strings.size();
  for (std::size_t n = 0; n < count; ++n) {
    const std::uint32_t number = cursor.ReadU32("named property entry");
    const std::uint16_t kind_and_set = cursor.ReadU16("named property entry");
    const std::uint16_t index = cursor.ReadU16("named property entry");
    if (index > kLastNamedId - kFirstNamedId) continue;
    const auto id = static_cast<std::uint16_t>(kFirstNamedId + index);
    std::optional<PropertySetId> set = SetAt(guids, static_cast<std::uint16_t>(kind_and_set >> 1));
    if (!set) continue;
    // The first entry for a name counts, as the first entry for a property does.
    if ((kind_and_set & 1) == 0) {
      map.numbered_.emplace(std::make_pair(*set, number), id);
    } else if (std::optional<std::u16string> name = NameAt(strings, number, name_bytes_left)) {
      map.named_.emplace(std::make_pair(*set, std::move(*name)), id);
    }
  }
  return map;
}

NamedProperties NamedProperties::Of(const Message& message) {
  const Message* top = &message;
  while (top->parentMessage() != nullptr) top = top->parentMessage();
  auto found = top->subStorageStatistics().find(std::u16string(kMapStorage));
  if (found == top->subStorageStatistics().end()) return {};
  const Storage storage = top->storage().OpenStorage(found->second);
  const std::vector<Element> elements = storage.Elements();
  const std::vector<std::uint8_t> entries = StreamIn(storage, elements, kEntryStream);
  if (entries.empty()) return {};
  return Parse(StreamIn(storage, elements, kGuidStream), entries,
               StreamIn(storage, elements, kStringStream));
}

std::optional<std::uint16_t> NamedProperties::Find(const PropertySetId& set,
                                                   std::uint32_t number) const {
  auto found = numbered_.find(std::make_pair(set, number));
  if (found == numbered_.end()) return std::nullopt;
  return found->second;
}

std::optional<std::uint16_t> NamedProperties::Find(const PropertySetId& set,
                                                   std::u16string_view name) const {
  auto found = named_.find(std::make_pair(set, std::u16string(name)));
  if (found == named_.end()) return std::nullopt;
  return found->second;
}

}  // namespace quorlin
