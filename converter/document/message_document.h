// A loaded message made ready to be written as a document: its attachments saved beside
// the document first when the user asks for it, then the document's content read, with the
// header block naming (and linking to) what was saved. Both the message in the input file
// and the embedded messages saved as attachments go through here.
#pragma once

#include <cstddef>
#include <filesystem>
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

// The document's content: the body, opened by the header block when it is asked for,
// whose attachment line comes from `saved` when attachments were saved.
DocumentContent ReadContent(const Message& message, const ConversionOptions& options,
                            const std::set<std::size_t>& shown, const SavedAttachments* saved);

// Saves the attachments (when options.attachments) into the folder that belongs to
// `document` and reads the content. What is written is recorded in `journal`.
PreparedDocument PrepareDocument(const Message& message, const std::filesystem::path& document,
                                 const ConversionOptions& options, AttachmentJournal& journal);

}  // namespace quorlin
