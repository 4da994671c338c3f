// Saving attachments one by one in the message's order. Names are made by the rules of
// file_names.h from the attachment's long file name, else its short one, else its display
// name, else "Attachment N"; the folder makes them unique. Anything that cannot be saved
// throws, and the caller takes back what was already written.
#include "converter/base/path_text.h"
#include "converter/document/attachment_saver.h"

#include <algorithm>
#include <optional>
#include <span>

#include "converter/document/attachment_list.h"
#include "converter/msg/attachment_object.h"
#include "converter/text/code_page.h"
#include "converter/output/file_names.h"
#include "converter/document/header_code_page.h"
#include "converter/document/property_text.h"
#include "converter/document/message_body.h"
#include "converter/base/notice.h"
#include "converter/document/picture_attachments.h"
#include "converter/msg/property_tags.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view kPackageStream = u"\x01Ole10Native";
constexpr std::size_t kMaxDocumentStem = kMaxFileNameBytes - 12;  // room for " attachments"

class Saver {
 public:
  Saver(const Message& message, const fs::path& folder, AttachmentJournal& journal,
        const EmbeddedDocumentWriter& embedded)
      : code_page_(HeaderCodePage(message)), embedded_(embedded), folder_(folder, journal) {}

  // Saves one attachment; returns the name it was saved under, or nothing.
  std::optional<std::string> Save(const ListedAttachment& listed) {
    switch (listed.kind) {
      case AttachmentKind::kFile: return SaveFile(listed);
      case AttachmentKind::kObject: return SaveObject(listed);
      case AttachmentKind::kMessage: return SaveMessage(listed);
      case AttachmentKind::kReference:
      case AttachmentKind::kOther: break;
    }
    return std::nullopt;
  }

  SavedAttachments& saved() { return saved_; }

 private:
  std::string Fallback(const ListedAttachment& listed) const {
    return "Attachment " + std::to_string(listed.number);
  }

  // The first of the attachment's names that makes a safe file name.
  std::string FileName(const ListedAttachment& listed) const {
    for (const char* id : {tags::kAttachLongFilename, tags::kAttachFilename, tags::kAttachDisplayName}) {
      std::string name = SafeFileName(PropertyLine(listed.attachment, id, code_page_));
      if (!name.empty()) return name;
    }
    return {};
  }

  // Data that is a whole MIME message (the content of a signed message, a forwarded one):
  // its MIME type says so, or it opens with a MIME header.
  bool IsMimeMessage(const ListedAttachment& listed, std::span<const std::uint8_t> data) const {
    const auto lower = [](std::string text) {
      for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
      return text;
    };
    const std::string type = lower(EncodeUtf8(PropertyLine(listed.attachment, tags::kAttachMimeTag, code_page_)));
    if (type.starts_with("multipart/") || type == "message/rfc822") return true;
    const std::string start = lower(std::string(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(data.size(), 16))));
    return start.starts_with("mime-version:") || start.starts_with("content-type:");
  }

  std::string Shown(const ListedAttachment& listed) const {
    return "\"" + EncodeUtf8(listed.name.empty() ? Utf16FromUtf8(Fallback(listed)) : listed.name) + "\"";
  }

  std::optional<std::string> Write(const std::string& name, std::span<const std::uint8_t> bytes) {
    std::string used = folder_.WriteFile(name, [bytes](ByteSink& sink) { sink.Write(bytes); });
    ++saved_.files;
    return used;
  }

  std::optional<std::string> SaveFile(const ListedAttachment& listed) {
    std::optional<PropertyElement> data = listed.attachment.FindPropertyElement(tags::kAttachData);
    if (!data || data->type != kTypeBinary) {
      Notice("attachment " + Shown(listed) + " holds no data; it is left out");
      return std::nullopt;
    }
    const StreamBytes bytes = listed.attachment.storage().ReadStreamInPlace(data->element);
    std::string name = FileName(listed);
    if (name.empty()) name = Fallback(listed) + (IsMimeMessage(listed, bytes.bytes()) ? ".eml" : "");
    return Write(name, bytes.bytes());
  }

  std::optional<std::string> SaveObject(const ListedAttachment& listed) {
    std::optional<PropertyElement> data = listed.attachment.FindPropertyElement(tags::kAttachData);
    if (data && data->type == kTypeObject) {
      const Storage object = listed.attachment.storage().OpenStorage(data->element);
      for (const Element& element : object.Elements()) {
        if (element.kind != EntryKind::kStream || element.name != kPackageStream) continue;
        const StreamBytes stream = object.ReadStreamInPlace(element);
        std::optional<PackagedFile> file = ReadPackagedFile(stream.bytes());
        if (!file) break;
        std::string name = FileName(listed);
        for (const std::string* packed : {&file->path, &file->label}) {
          if (!name.empty()) break;
          const std::vector<std::uint8_t> bytes(packed->begin(), packed->end());
          name = SafeFileName(DecodeCodePage(bytes, code_page_));
        }
        return Write(name.empty() ? Fallback(listed) : name, file->data);
      }
    }
    Notice("attachment " + Shown(listed) + " is an embedded object without a file inside; it is left out");
    return std::nullopt;
  }

  std::optional<std::string> SaveMessage(const ListedAttachment& listed) {
    const Message& inner = *listed.message;
    std::string stem = SafeFileStem(PropertyLine(inner, tags::kSubject, HeaderCodePage(inner)), kMaxDocumentStem);
    if (stem.empty()) {
      const std::string name = FileName(listed);
      stem = ShortenFileName(name.substr(0, name.size() - FileExtension(name).size()), kMaxDocumentStem);
    }
    if (stem.empty()) stem = Fallback(listed);
    const std::string document = folder_.ReserveDocument(stem);
    const SavedAttachments inner_saved = embedded_(inner, folder_, document);
    saved_.files += inner_saved.files;
    saved_.messages += 1 + inner_saved.messages;
    return document;
  }

  std::uint32_t code_page_;
  const EmbeddedDocumentWriter& embedded_;
  AttachmentFolder folder_;
  SavedAttachments saved_;
};

}  // namespace

std::string RelativeLink(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string link;
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      link += static_cast<char>(c);
    } else {
      link += '%';
      link += kHex[c >> 4];
      link += kHex[c & 0xF];
    }
  }
  return link;
}

SavedAttachments SaveAttachments(const Message& message, const fs::path& folder,
                                 const ConversionOptions& options,
                                 const std::set<std::size_t>& shown, AttachmentJournal& journal,
                                 const EmbeddedDocumentWriter& embedded, const DocumentContent* body) {
  Saver saver(message, folder, journal, embedded);
  const std::string folder_name = Utf8Of(folder.filename());
  // Pictures the body shows, hidden by the mail program, are kept when the document does
  // not show them: otherwise they would be nowhere.
  const std::set<std::size_t> unshown = options.pictures ? std::set<std::size_t>()
                                        : body                ? PicturesTheBodyShows(message, *body)
                                                              : PicturesTheBodyShows(message);
  for (const ListedAttachment& listed : SenderAttachments(message, shown, unshown)) {
    std::optional<std::string> saved_as = saver.Save(listed);
    if (listed.name.empty() && !saved_as) continue;  // nothing to show for it
    saver.saved().names.push_back(listed.name.empty() ? Utf16FromUtf8(*saved_as) : listed.name);
    saver.saved().links.push_back(saved_as ? RelativeLink(folder_name + "/" + *saved_as) : std::string());
  }
  return std::move(saver.saved());
}

}  // namespace quorlin
