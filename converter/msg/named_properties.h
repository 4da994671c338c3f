// The named-property map of a message: which property identifier (0x8000 and up) a
// message uses for a property known by a property set and a number or a name, read from
// the "__nameid_version1.0" storage at the top of the file (docs/msg-file.md).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace quorlin {

class Message;

// A property set's GUID as the file stores it: the first three fields little-endian.
using PropertySetId = std::array<std::uint8_t, 16>;

constexpr PropertySetId MakePropertySetId(std::uint32_t data1, std::uint16_t data2,
                                          std::uint16_t data3,
                                          std::array<std::uint8_t, 8> data4) {
  return {static_cast<std::uint8_t>(data1), static_cast<std::uint8_t>(data1 >> 8),
          static_cast<std::uint8_t>(data1 >> 16), static_cast<std::uint8_t>(data1 >> 24),
          static_cast<std::uint8_t>(data2), static_cast<std::uint8_t>(data2 >> 8),
          static_cast<std::uint8_t>(data3), static_cast<std::uint8_t>(data3 >> 8),
          data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]};
}

// {000xxxxx-0000-0000-C000-000000000046}, the form of every property set used here.
constexpr PropertySetId OfficePropertySet(std::uint32_t data1) {
  return MakePropertySetId(data1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46});
}

inline constexpr PropertySetId kPsMapi = OfficePropertySet(0x00020328);
inline constexpr PropertySetId kPsPublicStrings = OfficePropertySet(0x00020329);
inline constexpr PropertySetId kPsetidAppointment = OfficePropertySet(0x00062002);
inline constexpr PropertySetId kPsetidTask = OfficePropertySet(0x00062003);
inline constexpr PropertySetId kPsetidAddress = OfficePropertySet(0x00062004);

class NamedProperties {
 public:
  NamedProperties() = default;

  // The map of the file `message` belongs to (embedded messages share the top-level
  // map); empty when the file has none. Throws FormatError only when the compound file
  // itself is damaged; an entry that cannot be resolved is left out of the map.
  static NamedProperties Of(const Message& message);

  // The map from the contents of the GUID, entry and string streams.
  static NamedProperties Parse(std::span<const std::uint8_t> guids,
                               std::span<const std::uint8_t> entries,
                               std::span<const std::uint8_t> strings);

  // The property identifier (0x8000 + index) of a numbered or named property.
  std::optional<std::uint16_t> Find(const PropertySetId& set, std::uint32_t number) const;
  std::optional<std::uint16_t> Find(const PropertySetId& set, std::u16string_view name) const;

  std::size_t size() const { return numbered_.size() + named_.size(); }

 private:
  std::map<std::pair<PropertySetId, std::uint32_t>, std::uint16_t> numbered_;
  std::map<std::pair<PropertySetId, std::u16string>, std::uint16_t> named_;
};

// An identifier as the property look-up spells it: 4 upper-case hex digits.
std::string PropertyIdText(std::uint16_t id);

}  // namespace quorlin
