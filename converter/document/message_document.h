// A loaded message made ready to be written as a document: its attachments saved beside
// the document first when the user asks for it, then the document's content read, with the
// header block naming (and linking to) what was saved. Both the message in the input file
// and the embedded messages saved as attachments go through here.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "converter/output/attachment_journal.h"
#include "converter/document/attachment_saver.h"
#include "converter/options/conversion_options.h"
#include "converter/msg/message.h"
#include "converter/document/message_body.h"
#include "converter/document/picture_attachments.h"

namespace quorlin {

struct PreparedDocument {
  DocumentContent content;
  SavedAttachments saved;
  // The body's pictures, read from the message's attachments while the body is written:
  // the message (and its input) must then outlive the writing. Kept behind a pointer so the
  // content's reference to it survives a move.
  std::unique_ptr<AttachmentImages> pictures;
};

// The indices of message.attachments() that the document shows as pictures (not saved and
// not listed again in the header block). None when pictures are not shown.
std::set<std::size_t> PicturesShown(const Message& message, const ConversionOptions& options);

// Saves the attachments the sender added into `folder` as SaveAttachments (attachment_saver.h)
// does, each embedded message made a document as PrepareDocument makes one, and removes
// everything it wrote when it fails.
SavedAttachments SaveAttachments(const Message& message, const std::filesystem::path& folder,
                                 const ConversionOptions& options, const std::set<std::size_t>& shown = {});

// Reads the content and saves the attachments (when options.attachments) into the folder
// that belongs to `document`. What is written is recorded in `journal`. `body_read`, when
// given, is called once the body has been read, before anything else is done with it.
PreparedDocument PrepareDocument(const Message& message, const std::filesystem::path& document,
                                 const ConversionOptions& options, AttachmentJournal& journal,
                                 const std::function<void()>& body_read = {});

}  // namespace quorlin
