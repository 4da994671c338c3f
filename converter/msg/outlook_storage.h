// The storages of a saved message: the base `OutlookStorage` with the property look-up
// rules, and the recipient and attachment storages built on it.
// The file layout it reads, field by field: docs/msg-file.md.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "converter/cfb/storage.h"

namespace quorlin {

class Message;

// A property's value: nothing, a string, bytes, a storage, or a 16- or 32-bit integer.
using PropertyValue = std::variant<std::monostate, std::u16string, std::vector<std::uint8_t>,
                                   Storage, std::int16_t, std::int32_t>;

// Property types by their numbers in element names and property entries.
inline constexpr std::uint16_t kTypeInt16 = 0x0002;
inline constexpr std::uint16_t kTypeInt32 = 0x0003;
inline constexpr std::uint16_t kTypeDouble = 0x0005;
inline constexpr std::uint16_t kTypeBoolean = 0x000B;
inline constexpr std::uint16_t kTypeObject = 0x000D;
inline constexpr std::uint16_t kTypeString8 = 0x001E;
inline constexpr std::uint16_t kTypeTime = 0x0040;
inline constexpr std::uint16_t kTypeUnicode = 0x001F;
inline constexpr std::uint16_t kTypeBinary = 0x0102;

inline constexpr char kUnsupportedTypeMessage[] =
    "MAPI property has an unsupported type and can not be retrieved.";

// A property kept as an element of its own ("__substg1.0_" + id + type).
struct PropertyElement {
  Element element;  // the element named by the first 20 characters of the matching name
  std::uint16_t type;
};

class OutlookStorage {
 public:
  // Lists the storage's direct streams and sub-storages, each map keyed by name.
  OutlookStorage(Storage storage, std::uint32_t prop_header_size, const Message* parent);
  virtual ~OutlookStorage() = default;

  const Storage& storage() const { return storage_; }
  const std::map<std::u16string, Element>& streamStatistics() const { return streams_; }
  const std::map<std::u16string, Element>& subStorageStatistics() const { return sub_storages_; }
  std::uint32_t propHeaderSize() const { return prop_header_size_; }
  const Message* parentMessage() const { return parent_; }

  // Property `id` (4 upper-case hex digits): first an element of its own, streams before
  // sub-storages; then the fixed entries of the property stream. Throws PropertyError
  // with kUnsupportedTypeMessage for a type it cannot return.
  PropertyValue GetMapiProperty(std::string_view id) const;

  // Step one of the look-up alone: the element of its own that holds property `id`.
  std::optional<PropertyElement> FindPropertyElement(std::string_view id) const;
  std::vector<std::uint8_t> ReadPropertyStream(const PropertyElement& property) const;

  // Typed wrappers. GetInt32 throws PropertyError when the value is not a 32-bit integer.
  std::optional<std::vector<std::uint8_t>> GetBytes(std::string_view id) const;
  std::int32_t GetInt32(std::string_view id) const;
  std::optional<std::int32_t> FindInt32(std::string_view id) const;
  std::optional<std::u16string> GetString(std::string_view id) const;
  // A time entry of the property stream (100-nanosecond intervals since 1 January 1601,
  // UTC); nothing when the property is absent or not a time.
  std::optional<std::uint64_t> FindTime(std::string_view id) const;
  // A 64-bit floating-point entry; nothing when absent or of another type.
  std::optional<double> FindDouble(std::string_view id) const;
  // The 8-byte value of the property stream's entry for `id` when it has type `type`.
  std::optional<std::uint64_t> FindFixedValue(std::string_view id, std::uint16_t type) const;
  // A boolean entry of the property stream (any non-zero value is true; a 16- or 32-bit
  // integer entry counts the same way); nothing when absent or of another type.
  std::optional<bool> FindBoolean(std::string_view id) const;

 private:
  // A fixed entry of the property stream: its type and its 8-byte value.
  struct FixedEntry {
    std::uint16_t type;
    std::uint64_t value;
  };
  PropertyValue GetFixedProperty(std::string_view id) const;
  // The property stream's entries by identifier (the first of a repeated one), parsed
  // on first use and kept.
  const std::map<std::uint16_t, FixedEntry>& FixedEntries() const;

  Storage storage_;
  std::map<std::u16string, Element> streams_;
  std::map<std::u16string, Element> sub_storages_;
  std::uint32_t prop_header_size_;
  const Message* parent_;
  mutable std::optional<std::map<std::uint16_t, FixedEntry>> fixed_entries_;
};

class Recipient : public OutlookStorage {
 public:
  Recipient(Storage storage, const Message* parent) : OutlookStorage(std::move(storage), 8, parent) {}
};

class Attachment : public OutlookStorage {
 public:
  Attachment(Storage storage, const Message* parent) : OutlookStorage(std::move(storage), 8, parent) {}
};

}  // namespace quorlin
