// Walking a message's attachment storages in the order the message was loaded in (its
// attachment storages by name), so that the n-th plain attachment is message.attachments()[n]
// and the n-th embedded message is message.messages()[n].
#include "converter/document/attachment_list.h"

#include "converter/base/errors.h"
#include "converter/document/header_code_page.h"
#include "converter/document/property_text.h"
#include "converter/document/message_body.h"
#include "converter/msg/property_tags.h"

namespace quorlin {
namespace {

AttachmentKind KindOf(std::int32_t method) {
  switch (method) {
    case 1: return AttachmentKind::kFile;
    case 2:
    case 3:
    case 4:
    case 7: return AttachmentKind::kReference;
    case 5: return AttachmentKind::kMessage;
    case 6: return AttachmentKind::kObject;
  }
  return AttachmentKind::kOther;
}

bool IsHidden(const Attachment& attachment) {
  try {
    return attachment.FindBoolean(tags::kAttachmentHidden).value_or(false);
  } catch (const PropertyError&) {
    return false;  // a hidden flag of a type that is not a flag says nothing
  }
}

}  // namespace

std::vector<ListedAttachment> SenderAttachments(const Message& message,
                                                const std::set<std::size_t>& shown,
                                                const std::set<std::size_t>& unhidden) {
  const std::uint32_t code_page = HeaderCodePage(message);
  std::vector<ListedAttachment> listed;
  std::size_t number = 0, plain = 0, embedded = 0;
  listed.reserve(message.attachmentStorageIds().size());
  for (std::uint32_t storage_id : message.attachmentStorageIds()) {
    ListedAttachment entry{++number, AttachmentKind::kOther,
                           Attachment(message.storage().OpenStorage(storage_id), &message), nullptr, {}};
    // Loading the message has read every attach method as a 32-bit integer already.
    entry.kind = KindOf(entry.attachment.GetInt32(tags::kAttachMethod));
    bool kept_hidden = false;
    if (entry.kind == AttachmentKind::kMessage) {
      if (embedded >= message.messages().size()) continue;
      entry.message = message.messages()[embedded++].get();
    } else {
      kept_hidden = unhidden.count(plain) != 0;
      if (shown.count(plain++)) continue;
    }
    if (!kept_hidden && IsHidden(entry.attachment)) continue;
    // A message's file names are made up by the mail program ("Untitled Attachment").
    static constexpr const char* kFileFirst[] = {tags::kAttachLongFilename, tags::kAttachFilename,
                                                 tags::kAttachDisplayName};
    static constexpr const char* kDisplayFirst[] = {tags::kAttachDisplayName, tags::kAttachLongFilename,
                                                    tags::kAttachFilename};
    for (const char* id : entry.kind == AttachmentKind::kMessage ? kDisplayFirst : kFileFirst) {
      entry.name = PropertyLine(entry.attachment, id, code_page);
      if (!entry.name.empty()) break;
    }
    listed.push_back(std::move(entry));
  }
  return listed;
}

}  // namespace quorlin
