// Preparing a message's document: attachments first, so that the header block can link
// to the names they were really saved under.
#include "converter/document/message_document.h"

#include "converter/output/attachment_folder.h"
#include "converter/document/header_block.h"
#include "converter/document/header_fields.h"

namespace quorlin {
namespace {

void AttachPictures(const Message& message, const ConversionOptions& options,
                    PreparedDocument& prepared) {
  if (!options.pictures || (!prepared.content.rtf && !prepared.content.html)) return;
  prepared.pictures = std::make_unique<AttachmentImages>(message);
  prepared.content.pictures = prepared.pictures.get();
}

}  // namespace

std::set<std::size_t> PicturesShown(const Message& message, const ConversionOptions& options) {
  if (!options.pictures) return {};
  return PicturesTheBodyShows(message);
}

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
    AttachPictures(message, options, prepared);
    return prepared;
  }
  prepared.saved = SaveAttachments(message, AttachmentFolderFor(document), options, shown, journal);
  prepared.content = ReadContent(message, options, shown, &prepared.saved);
  AttachPictures(message, options, prepared);
  return prepared;
}

}  // namespace quorlin
