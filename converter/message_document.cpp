// Preparing a message's document: attachments first, so that the header block can link
// to the names they were really saved under.
#include "converter/message_document.h"

#include "converter/attachment_folder.h"
#include "converter/header_block.h"
#include "converter/header_fields.h"

namespace quorlin {

std::set<std::size_t> PicturesShown(const Message&, const ConversionOptions&) { return {}; }

DocumentContent ReadContent(const Message& message, const ConversionOptions& options,
                            const std::set<std::size_t>& shown, const SavedAttachments* saved) {
  DocumentContent content = ReadDocumentContent(message);
  if (options.header_block) {
    HeaderFields fields = ReadHeaderFields(message, shown);
    if (saved) {
      fields.attachments = saved->names;
      fields.attachment_links = saved->links;
    }
    content.opening = HeaderBlockRtf(fields);
  }
  return content;
}

PreparedDocument PrepareDocument(const Message& message, const std::filesystem::path& document,
                                 const ConversionOptions& options, AttachmentJournal& journal) {
  PreparedDocument prepared;
  const std::set<std::size_t> shown = PicturesShown(message, options);
  if (!options.attachments) {
    prepared.content = ReadContent(message, options, shown, nullptr);
    return prepared;
  }
  prepared.saved = SaveAttachments(message, AttachmentFolderFor(document), options, shown, journal);
  prepared.content = ReadContent(message, options, shown, &prepared.saved);
  return prepared;
}

}  // namespace quorlin
