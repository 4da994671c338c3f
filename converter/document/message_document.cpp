// Preparing a message's document: the body read once, then the attachments, so that the
// header block can link to the names they were really saved under.
#include "converter/document/message_document.h"

#include "converter/base/path_text.h"
#include "converter/output/attachment_folder.h"
#include "converter/document/header_block.h"
#include "converter/document/header_fields.h"
#include "converter/document/name_fields.h"

namespace quorlin {
namespace {

PageLayout PageOf(const ConversionOptions& options) {
  return {options.paper.width_twips, options.paper.height_twips};
}

void AttachPictures(const Message& message, const ConversionOptions& options,
                    PreparedDocument& prepared) {
  if (!options.pictures || (!prepared.content.rtf && !prepared.content.html)) return;
  prepared.pictures =
      std::make_unique<AttachmentImages>(message, AttachmentImages::Mode::kWrite, PageOf(options));
  prepared.content.pictures = prepared.pictures.get();
}

// Opens `content` with the header block when it is asked for; its attachment line comes
// from `saved` when attachments were saved.
void OpenWithHeaderBlock(const Message& message, const ConversionOptions& options,
                         const std::set<std::size_t>& shown, const SavedAttachments* saved,
                         DocumentContent& content) {
  if (!options.header_block) return;
  HeaderFields fields = ReadHeaderFields(message, shown);
  if (saved) {
    fields.attachments = saved->names;
    fields.attachment_links = saved->links;
  }
  content.opening = HeaderBlockRtf(fields);
}

// An embedded message's document, made as any message's is and written under the name
// reserved for it in its parent's attachment folder.
SavedAttachments WriteEmbeddedDocument(const Message& inner, AttachmentFolder& folder, const std::string& document,
                                       const ConversionOptions& options, AttachmentJournal& journal) {
  PreparedDocument prepared = PrepareDocument(inner, folder.path() / PathFromUtf8(document), options, journal);
  folder.WriteReserved(document, [&prepared](ByteSink& sink) { prepared.content.WriteTo(sink); },
                       ReadDocumentFacts(inner));
  return std::move(prepared.saved);
}

EmbeddedDocumentWriter EmbeddedDocuments(const ConversionOptions& options, AttachmentJournal& journal) {
  return [&options, &journal](const Message& inner, AttachmentFolder& folder, const std::string& document) {
    return WriteEmbeddedDocument(inner, folder, document, options, journal);
  };
}

}  // namespace

SavedAttachments SaveAttachments(const Message& message, const std::filesystem::path& folder,
                                 const ConversionOptions& options, const std::set<std::size_t>& shown) {
  AttachmentJournal journal;
  try {
    return SaveAttachments(message, folder, options, shown, journal, EmbeddedDocuments(options, journal));
  } catch (...) {
    journal.RollBack();
    throw;
  }
}

std::set<std::size_t> PicturesShown(const Message& message, const ConversionOptions& options) {
  if (!options.pictures) return {};
  return PicturesTheBodyShows(message);
}

PreparedDocument PrepareDocument(const Message& message, const std::filesystem::path& document,
                                 const ConversionOptions& options, AttachmentJournal& journal,
                                 const std::function<void()>& body_read) {
  PreparedDocument prepared;
  // The body is read once: the passes that decide which pictures it shows read the same
  // copy that is written, so a large body is never held twice (nor read twice).
  prepared.content = ReadDocumentContent(message);
  prepared.content.page = PageOf(options);
  if (body_read) body_read();
  const std::set<std::size_t> shown =
      options.pictures ? PicturesTheBodyShows(message, prepared.content) : std::set<std::size_t>();
  const AttachmentJournal::Holder holder(journal, document);
  if (options.attachments)
    prepared.saved = SaveAttachments(message, AttachmentFolderFor(document), options, shown, journal,
                                     EmbeddedDocuments(options, journal),
                                     &prepared.content);
  OpenWithHeaderBlock(message, options, shown, options.attachments ? &prepared.saved : nullptr,
                      prepared.content);
  AttachPictures(message, options, prepared);
  return prepared;
}

}  // namespace quorlin
