// Message writer: lays a StorageBuilder tree out as compound-file storages and streams.
#include "msgwriter/message_builder.h"

#include <cstdio>

#include "msgwriter/lzfu_compressor.h"

namespace msgwriter {
namespace {

void PutLe(std::vector<std::uint8_t>& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::u16string Widen(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Numbered(std::u16string_view prefix, std::uint32_t number) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", number);
  return std::u16string(prefix) + Widen(digits);
}

}  // namespace

std::u16string PropertyName(std::uint16_t id, std::uint16_t type) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%04X%04X", static_cast<unsigned>(id), static_cast<unsigned>(type));
  return u"__substg1.0_" + Widen(digits);
}

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) PutLe(bytes, unit, 2);
  return bytes;
}

StorageBuilder& StorageBuilder::AddStreamProperty(std::uint16_t id, std::uint16_t type,
                                                  std::vector<std::uint8_t> data) {
  std::uint64_t size = data.size() + (type == 0x001F ? 2 : type == 0x001E ? 1 : 0);
  PutLe(entries_, type, 2);
  PutLe(entries_, id, 2);
  PutLe(entries_, 6, 4);  // readable, writable
  PutLe(entries_, size, 8);
  streams_.emplace_back(PropertyName(id, type), std::move(data));
  return *this;
}

StorageBuilder& StorageBuilder::AddUnicode(std::uint16_t id, std::u16string_view text) {
  return AddStreamProperty(id, 0x001F, Utf16Bytes(text));
}

StorageBuilder& StorageBuilder::AddString8(std::uint16_t id, std::string_view bytes) {
  return AddStreamProperty(id, 0x001E, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

StorageBuilder& StorageBuilder::AddBinary(std::uint16_t id, std::vector<std::uint8_t> data) {
  return AddStreamProperty(id, 0x0102, std::move(data));
}

StorageBuilder& StorageBuilder::AddRtfBody(std::string_view rtf) {
  return AddBinary(0x1009, CompressRtf(rtf));
}

StorageBuilder& StorageBuilder::AddFixed(std::uint16_t id, std::uint16_t type, std::uint64_t value) {
  PutLe(entries_, type, 2);
  PutLe(entries_, id, 2);
  PutLe(entries_, 2, 4);
  PutLe(entries_, value, 8);
  return *this;
}

StorageBuilder& StorageBuilder::AddRawStream(std::u16string name, std::vector<std::uint8_t> data) {
  streams_.emplace_back(std::move(name), std::move(data));
  return *this;
}

StorageBuilder& StorageBuilder::AddSubStorage(std::u16string name, std::uint32_t header_size) {
  children_.push_back(Child{std::move(name), std::make_unique<StorageBuilder>(header_size)});
  return *children_.back().storage;
}

StorageBuilder& StorageBuilder::AddRecipient() {
  return AddSubStorage(Numbered(u"__recip_version1.0_#", recipients_++), 8);
}

StorageBuilder& StorageBuilder::AddAttachment(std::optional<std::int32_t> method) {
  StorageBuilder& attachment = AddSubStorage(Numbered(u"__attach_version1.0_#", attachments_++), 8);
  if (method) attachment.AddInt32(0x3705, *method);
  return attachment;
}

StorageBuilder& StorageBuilder::AddEmbeddedMessage() {
  StorageBuilder& attachment = AddAttachment(5);
  last_attachment_ = &attachment;
  attachment.AddFixed(0x3701, 0x000D, 0xFFFFFFFFu);
  return attachment.AddSubStorage(PropertyName(0x3701, 0x000D), 24);
}

StorageBuilder& StorageBuilder::AddObjectAttachment() {
  StorageBuilder& attachment = AddAttachment(6);
  last_attachment_ = &attachment;
  attachment.AddFixed(0x3701, 0x000D, 0xFFFFFFFFu);
  return attachment.AddSubStorage(PropertyName(0x3701, 0x000D), 0).OmitPropertyStream();
}

std::vector<std::uint8_t> PackagedFileStream(std::string_view label, std::string_view path,
                                             const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> package;
  PutLe(package, 2, 2);
  package.insert(package.end(), label.begin(), label.end());
  package.push_back(0);
  package.insert(package.end(), path.begin(), path.end());
  package.push_back(0);
  PutLe(package, 0, 2);
  PutLe(package, 3, 2);
  PutLe(package, path.size() + 1, 4);
  package.insert(package.end(), path.begin(), path.end());
  package.push_back(0);
  PutLe(package, data.size(), 4);
  package.insert(package.end(), data.begin(), data.end());
  std::vector<std::uint8_t> stream;
  PutLe(stream, package.size(), 4);
  stream.insert(stream.end(), package.begin(), package.end());
  return stream;
}

StorageBuilder& StorageBuilder::AppendToPropertyStream(std::vector<std::uint8_t> bytes) {
  extra_.insert(extra_.end(), bytes.begin(), bytes.end());
  return *this;
}

void StorageBuilder::WriteTo(CfbWriter& writer, std::uint32_t storage) const {
  if (property_stream_) {
    std::vector<std::uint8_t> stream;
    if (header_size_ >= 24) {
      PutLe(stream, 0, 8);
      PutLe(stream, recipients_, 4);
      PutLe(stream, attachments_, 4);
      PutLe(stream, recipients_, 4);
      PutLe(stream, attachments_, 4);
    }
    stream.resize(header_size_, 0);
    stream.insert(stream.end(), entries_.begin(), entries_.end());
    stream.insert(stream.end(), extra_.begin(), extra_.end());
    writer.AddStream(storage, u"__properties_version1.0", std::move(stream));
  }
  for (const auto& [name, data] : streams_) writer.AddStream(storage, name, data);
  for (const Child& child : children_)
    child.storage->WriteTo(writer, writer.AddStorage(storage, child.name));
}

CfbImage MessageBuilder::BuildImage(const CfbOptions& options) const {
  CfbWriter writer;
  WriteTo(writer, CfbWriter::kRoot);
  if (!named_.empty()) named_.WriteTo(writer, CfbWriter::kRoot);
  return writer.Build(options);
}

}  // namespace msgwriter
