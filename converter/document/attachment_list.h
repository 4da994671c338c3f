// The attachments the sender added to a message, in the message's own order, each with
// what it is (a file, a message, an object, a reference) and its name: what the header
// block lists and what the attachment saver keeps. Hidden attachments (those a mail
// program attached for itself, such as calendar data) and the pictures the document
// already shows are not among them.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "converter/msg/message.h"

namespace quorlin {

enum class AttachmentKind {
  kFile,       // by value: the bytes are in the message
  kMessage,    // an embedded message
  kObject,     // an OLE object in a storage of its own
  kReference,  // by reference: only a path or a link is in the message
  kOther,      // no data, or a method this converter does not know
};

struct ListedAttachment {
  std::size_t number = 0;  // 1-based place among all the message's attachments
  AttachmentKind kind = AttachmentKind::kOther;
  Attachment attachment;              // the attachment's own storage
  const Message* message = nullptr;   // the embedded message, for kMessage
  // Its long file name "3707", else its short one "3704", else its display name "3001"
  // (an embedded message: its display name first, the name a mail program shows for it),
  // on one line; empty when it has none.
  std::u16string name;
};

// The attachments the sender added. `shown` holds indices into message.attachments() of
// the pictures the document shows; they are left out, as are attachments flagged hidden
// ("7FFE") unless `unhidden` holds their index (the pictures the body would show, when the
// document does not show them: the mail program hides them, yet they are the sender's).
std::vector<ListedAttachment> SenderAttachments(const Message& message,
                                                const std::set<std::size_t>& shown = {},
                                                const std::set<std::size_t>& unhidden = {});

}  // namespace quorlin
