// Saving the attachments the sender added, when the user asks for it: files by value byte
// for byte, the file packed in an OLE object, and each embedded message as a document of
// its own converted with the same options (its own attachments in a folder beside it).
// By-reference attachments are only named in the header block; hidden ones and pictures
// the document shows are not saved, except the pictures the body would show when the
// document does not show them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "converter/output/attachment_folder.h"
#include "converter/output/attachment_journal.h"
#include "converter/options/conversion_options.h"
#include "converter/msg/message.h"

namespace quorlin {

struct DocumentContent;

struct SavedAttachments {
  int files = 0;     // files kept, those of embedded messages at every depth included
  int messages = 0;  // embedded messages converted into documents, at every depth
  // What the header block lists, one entry per attachment the sender added: its name as
  // the message gives it (else the name it was saved under), and the link to the saved
  // file relative to the document, URL-escaped, or empty when it was not saved.
  std::vector<std::u16string> names;
  std::vector<std::string> links;
};

// Makes the document of the embedded message `inner` in `folder`, under the name
// `document` reserved there, with its own attachments beside it, and returns what it saved
// of those. A message's document is made above this file (message_document.h), which hands
// this down, so an embedded message is converted as any message is.
using EmbeddedDocumentWriter =
    std::function<SavedAttachments(const Message& inner, AttachmentFolder& folder, const std::string& document)>;

// Saves the attachments the sender added into `folder` (made only when something goes
// into it), skipping hidden ones and the indices of message.attachments() in `shown`;
// embedded messages become documents through `embedded`. Records what it writes in
// `journal`; throws IoError (or the failure converting an embedded message) when one
// cannot be saved, leaving the taking back to the caller. `body` is the message's body as
// ReadDocumentContent read it, when the caller holds it already (it is then not read
// again); else it is read here when needed.
SavedAttachments SaveAttachments(const Message& message, const std::filesystem::path& folder,
                                 const ConversionOptions& options,
                                 const std::set<std::size_t>& shown, AttachmentJournal& journal,
                                 const EmbeddedDocumentWriter& embedded, const DocumentContent* body = nullptr);

// A relative path (UTF-8, "/" between its parts) as a link: every byte but letters,
// digits, "-._~" and "/" written as %XX.
std::string RelativeLink(std::string_view path);

}  // namespace quorlin
