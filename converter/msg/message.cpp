// Opening a message and loading its recipients, attachments and embedded messages in the
// order of its sub-storage map. An attachment whose attach method cannot be read fails
// the whole message, as does an embedded message without its storage.
#include "converter/msg/message.h"

#include <string>

#include "converter/rtf/clzf.h"
#include "converter/base/errors.h"
#include "converter/msg/property_tags.h"

namespace quorlin {
namespace {

constexpr std::u16string_view kRecipientPrefix = u"__recip_version1.0_#";
constexpr std::u16string_view kAttachmentPrefix = u"__attach_version1.0_#";
constexpr std::int32_t kAttachEmbeddedMessage = 5;
constexpr std::u16string_view kRtfBodyName = u"__substg1.0_10090102";

bool StartsWith(std::u16string_view name, std::u16string_view prefix) {
  return name.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::unique_ptr<Message> Message::Open(std::span<const std::uint8_t> bytes) {
  std::shared_ptr<const CompoundFile> file = CompoundFile::Open(bytes);
  Storage root = Storage::Root(file);
  bool has_properties = false;
  for (const Element& element : root.Elements())
    has_properties |= element.kind == EntryKind::kStream && element.name == u"__properties_version1.0";
  if (!has_properties)
    throw NotAMessageError("not a message: the file has no \"__properties_version1.0\" stream");
  return std::make_unique<Message>(std::move(root), 32, nullptr, 0);
}

Message::Message(Storage storage, std::uint32_t prop_header_size, const Message* parent,
                 int depth)
    : OutlookStorage(std::move(storage), prop_header_size, parent) {
  for (const auto& [name, element] : subStorageStatistics()) {
    if (StartsWith(name, kRecipientPrefix))
      recipients_.emplace_back(this->storage().OpenStorage(element), this);
    else if (StartsWith(name, kAttachmentPrefix))
      LoadAttachment(this->storage().OpenStorage(element), depth);
  }
}

void Message::LoadAttachment(Storage storage, int depth) {
  Attachment attachment(std::move(storage), this);
  if (attachment.GetInt32(tags::kAttachMethod) != kAttachEmbeddedMessage) {
    attachments_.push_back(std::move(attachment));
    return;
  }
  PropertyValue inner = attachment.GetMapiProperty(tags::kAttachData);
  Storage* inner_storage = std::get_if<Storage>(&inner);
  if (!inner_storage)
    throw PropertyError("an embedded-message attachment has no message storage (property 3701).");
  if (depth + 1 > kMaxNesting)
    throw FormatError("embedded messages are nested more than " + std::to_string(kMaxNesting) +
                      " deep");
  messages_.push_back(std::make_unique<Message>(std::move(*inner_storage), 24, this, depth + 1));
}

std::optional<StreamBytes> Message::CompressedBodyRTF() const {
  // A body entry that is a storage, or any element but a stream, holds no body.
  auto stream = streamStatistics().find(std::u16string(kRtfBodyName));
  const bool is_stream = stream != streamStatistics().end() && stream->second.kind == EntryKind::kStream;
  if (!is_stream && (stream != streamStatistics().end() ||
                     subStorageStatistics().count(std::u16string(kRtfBodyName)) != 0))
    return std::nullopt;
  std::optional<StreamBytes> compressed;
  std::optional<PropertyElement> property = FindPropertyElement(tags::kRtfCompressed);
  if (property && property->type == kTypeBinary) {
    // A view of the file where the body lies there in one piece: a large body is then
    // never held twice.
    compressed.emplace(storage().ReadStreamInPlace(property->element));
  } else if (std::optional<std::vector<std::uint8_t>> bytes = GetBytes(tags::kRtfCompressed)) {
    compressed.emplace(std::move(*bytes));
  }
  if (!compressed || compressed->bytes().empty()) return std::nullopt;
  // A body that states no text at all is no body; its data is still checked to end there.
  if (CLZF::statedSize(compressed->bytes()) == 0) {
    CLZF::decompressRTF(compressed->bytes());
    return std::nullopt;
  }
  return compressed;
}

}  // namespace quorlin
