// Message writer: builds .msg files on the fly. A StorageBuilder holds one storage of a
// message (the message itself, a recipient, an attachment, an embedded message) with its
// properties as streams of their own or as fixed entries of the property stream.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "msgwriter/cfb_writer.h"
#include "msgwriter/named_property_map.h"

namespace msgwriter {

class StorageBuilder {
 public:
  explicit StorageBuilder(std::uint32_t header_size) : header_size_(header_size) {}

  // A property in a stream of its own, "__substg1.0_" + id + type, with its entry in the
  // property stream as real files have it.
  StorageBuilder& AddStreamProperty(std::uint16_t id, std::uint16_t type, std::vector<std::uint8_t> data);
  StorageBuilder& AddUnicode(std::uint16_t id, std::u16string_view text);
  StorageBuilder& AddString8(std::uint16_t id, std::string_view bytes);
  StorageBuilder& AddBinary(std::uint16_t id, std::vector<std::uint8_t> data);
  // The compressed-RTF body ("1009") holding this RTF text.
  StorageBuilder& AddRtfBody(std::string_view rtf);
  // A fixed 16-byte entry of the property stream.
  StorageBuilder& AddFixed(std::uint16_t id, std::uint16_t type, std::uint64_t value);
  StorageBuilder& AddInt32(std::uint16_t id, std::int32_t value) {
    return AddFixed(id, 0x0003, static_cast<std::uint32_t>(value));
  }
  // A time entry (type 0x0040): 100-nanosecond intervals since 1601, UTC.
  StorageBuilder& AddTime(std::uint16_t id, std::uint64_t filetime) { return AddFixed(id, 0x0040, filetime); }
  StorageBuilder& AddBoolean(std::uint16_t id, bool value) { return AddFixed(id, 0x000B, value ? 1 : 0); }
  // Any stream or sub-storage by name.
  StorageBuilder& AddRawStream(std::u16string name, std::vector<std::uint8_t> data);
  StorageBuilder& AddSubStorage(std::u16string name, std::uint32_t header_size);

  StorageBuilder& AddRecipient();
  // An attachment with its attach method ("3705"), or without one.
  StorageBuilder& AddAttachment(std::optional<std::int32_t> method = 1);
  // An attachment of method 5 holding a message (header 24) in "__substg1.0_3701000D".
  StorageBuilder& AddEmbeddedMessage();
  // An attachment of method 6 whose "__substg1.0_3701000D" storage (returned, without a
  // property stream) holds an OLE object's streams.
  StorageBuilder& AddObjectAttachment();
  // The attachment storage an AddEmbeddedMessage or AddObjectAttachment call made last.
  StorageBuilder& LastAttachment() { return *last_attachment_; }

  // Leaves out "__properties_version1.0"; extra bytes may be appended to it.
  StorageBuilder& OmitPropertyStream() { property_stream_ = false; return *this; }
  StorageBuilder& AppendToPropertyStream(std::vector<std::uint8_t> bytes);

  void WriteTo(CfbWriter& writer, std::uint32_t storage) const;

 private:
  struct Child {
    std::u16string name;
    std::unique_ptr<StorageBuilder> storage;
  };
  std::uint32_t header_size_;
  bool property_stream_ = true;
  std::vector<std::uint8_t> entries_;
  std::vector<std::uint8_t> extra_;
  std::vector<std::pair<std::u16string, std::vector<std::uint8_t>>> streams_;
  std::vector<Child> children_;
  std::uint32_t recipients_ = 0;
  std::uint32_t attachments_ = 0;
  StorageBuilder* last_attachment_ = nullptr;
};

// A top-level message (property header 32), with its named-property map when a named
// property was added.
class MessageBuilder : public StorageBuilder {
 public:
  MessageBuilder() : StorageBuilder(32) {}
  CfbImage BuildImage(const CfbOptions& options = {}) const;
  std::vector<std::uint8_t> Build(const CfbOptions& options = {}) const {
    return BuildImage(options).bytes;
  }
  // The map; its Add gives the identifier to use with the Add... methods above.
  NamedPropertyMap& named() { return named_; }

 private:
  NamedPropertyMap named_;
};

// "__substg1.0_" + 4 upper-case hex digits of the id + 4 of the type.
std::u16string PropertyName(std::uint16_t id, std::uint16_t type);

// An "\x01Ole10Native" stream packaging a file: size, kind 2, label and path as NUL-ended
// strings, reserved 0, format 3, the temporary path with its length, the file's size and
// bytes.
std::vector<std::uint8_t> PackagedFileStream(std::string_view label, std::string_view path,
                                             const std::vector<std::uint8_t>& data);

// Little-endian UTF-16 bytes of a text.
std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text);

}  // namespace msgwriter
