// Message writer: lays out the named-property map. Property sets 1 and 2 are the two
// fixed ones and are not stored; every other set is stored once in the GUID stream.
#include "msgwriter/named_property_map.h"

#include <algorithm>

#include "msgwriter/message_builder.h"

namespace msgwriter {
namespace {

void PutLe(std::vector<std::uint8_t>& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::uint16_t NamedPropertyMap::AddEntry(const PropertySetId& set, bool named,
                                         std::uint32_t number_or_offset) {
  std::uint16_t set_index = 0;
  if (set == quorlin::kPsMapi) {
    set_index = 1;
  } else if (set == quorlin::kPsPublicStrings) {
    set_index = 2;
  } else {
    auto found = std::find(sets_.begin(), sets_.end(), set);
    if (found == sets_.end()) found = sets_.insert(sets_.end(), set);
    set_index = static_cast<std::uint16_t>(3 + (found - sets_.begin()));
  }
  const auto index = static_cast<std::uint16_t>(entries_.size() / 8);
  PutLe(entries_, number_or_offset, 4);
  PutLe(entries_, static_cast<std::uint16_t>(set_index << 1 | (named ? 1 : 0)), 2);
  PutLe(entries_, index, 2);
  return static_cast<std::uint16_t>(0x8000 + index);
}

std::uint16_t NamedPropertyMap::Add(const PropertySetId& set, std::uint32_t number) {
  return AddEntry(set, false, number);
}

std::uint16_t NamedPropertyMap::Add(const PropertySetId& set, std::u16string_view name) {
  const auto offset = static_cast<std::uint32_t>(strings_.size());
  const std::vector<std::uint8_t> bytes = Utf16Bytes(name);
  PutLe(strings_, bytes.size(), 4);
  strings_.insert(strings_.end(), bytes.begin(), bytes.end());
  while (strings_.size() % 4 != 0) strings_.push_back(0);  // the next entry starts aligned
  return AddEntry(set, true, offset);
}

std::vector<std::uint8_t> NamedPropertyMap::GuidStream() const {
  std::vector<std::uint8_t> bytes;
  for (const PropertySetId& set : sets_) bytes.insert(bytes.end(), set.begin(), set.end());
  return bytes;
}

void NamedPropertyMap::WriteTo(CfbWriter& writer, std::uint32_t storage) const {
  const std::uint32_t map = writer.AddStorage(storage, u"__nameid_version1.0");
  writer.AddStream(map, u"__substg1.0_00020102", GuidStream());
  writer.AddStream(map, u"__substg1.0_00030102", EntryStream());
  writer.AddStream(map, u"__substg1.0_00040102", StringStream());
}

}  // namespace msgwriter
