// Message writer: the named-property map of a message ("__nameid_version1.0"), with the
// GUID, entry and string streams laid out as a reader expects them. Each property added
// gets the next identifier from 0x8000 up, which the message's properties then use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/msg/named_properties.h"
#include "msgwriter/cfb_writer.h"

namespace msgwriter {

using quorlin::PropertySetId;

class NamedPropertyMap {
 public:
  // A property known by its set and number, or by its set and name; returns the
  // identifier the message uses for it.
  std::uint16_t Add(const PropertySetId& set, std::uint32_t number);
  std::uint16_t Add(const PropertySetId& set, std::u16string_view name);

  bool empty() const { return entries_.empty(); }

  // The three streams' contents.
  std::vector<std::uint8_t> GuidStream() const;
  std::vector<std::uint8_t> EntryStream() const { return entries_; }
  std::vector<std::uint8_t> StringStream() const { return strings_; }

  // Writes the "__nameid_version1.0" storage into `storage` (the root).
  void WriteTo(CfbWriter& writer, std::uint32_t storage) const;

 private:
  std::uint16_t AddEntry(const PropertySetId& set, bool named, std::uint32_t number_or_offset);

  std::vector<PropertySetId> sets_;  // property sets 3 and up
  std::vector<std::uint8_t> entries_;
  std::vector<std::uint8_t> strings_;
};

}  // namespace msgwriter
