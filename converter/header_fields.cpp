// Reading the header block's facts. Texts are cleaned for a single line: line breaks and
// other control characters become spaces, end-of-string marks and outer spaces go.
#include "converter/header_fields.h"

#include "converter/code_page.h"
#include "converter/errors.h"
#include "converter/property_tags.h"
#include "converter/local_time.h"
#include "converter/message_body.h"

namespace quorlin {
namespace {

constexpr std::u16string_view kAttachmentPrefix = u"__attach_version1.0_#";

std::u16string OneLine(std::u16string text) {
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  for (char16_t& c : text)
    if (c < 0x20 || c == 0x7F) c = u' ';
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

// A string property as text: Unicode as it is, 8-bit in the message's code page.
std::u16string Text(const OutlookStorage& storage, const char* id, std::uint32_t code_page) {
  try {
    std::optional<PropertyElement> property = storage.FindPropertyElement(id);
    if (!property) return {};
    if (property->type == kTypeUnicode)
      return OneLine(DecodeUtf16Le(storage.ReadPropertyStream(*property)));
    if (property->type == kTypeString8) {
      return OneLine(DecodeText(storage.ReadPropertyStream(*property), code_page));
    }
  } catch (const PropertyError&) {
    // An element of a type the reader refuses: the line is left out.
  }
  return {};
}

std::u16string SentTime(const Message& message) {
  for (const char* id : {tags::kClientSubmitTime, tags::kMessageDeliveryTime}) {
    std::optional<std::uint64_t> time = message.FindTime(id);
    if (!time || *time == 0) continue;
    std::optional<std::string> text = FormatLocalTime(*time);
    if (!text) return {};
    return std::u16string(text->begin(), text->end());
  }
  return {};
}

}  // namespace

HeaderFields ReadHeaderFields(const Message& message) {
  const std::uint32_t code_page = MessageCodePage(message);
  HeaderFields fields;
  fields.subject = Text(message, tags::kSubject, code_page);
  fields.sender_name = Text(message, tags::kSenderName, code_page);
  fields.sender_address = Text(message, tags::kSenderEmailAddress, code_page);
  // An address inside an organisation's directory ("/O=.../CN=...") means nothing on
  // paper: the Internet address replaces it, or it is left out.
  if (fields.sender_address.find(u'@') == std::u16string::npos ||
      fields.sender_address.starts_with(u'/')) {
    std::u16string smtp = Text(message, tags::kSenderSmtpAddress, code_page);
    if (!smtp.empty() || fields.sender_address.starts_with(u'/'))
      fields.sender_address = std::move(smtp);
  }
  fields.sent = SentTime(message);
  fields.to = Text(message, tags::kDisplayTo, code_page);
  fields.cc = Text(message, tags::kDisplayCc, code_page);
  for (const auto& [name, element] : message.subStorageStatistics()) {
    if (std::u16string_view(name).substr(0, kAttachmentPrefix.size()) != kAttachmentPrefix) continue;
    Attachment attachment(message.storage().OpenStorage(element), &message);
    for (const char* id : {tags::kAttachLongFilename, tags::kAttachFilename, tags::kAttachDisplayName}) {
      std::u16string file_name = Text(attachment, id, code_page);
      if (file_name.empty()) continue;
      fields.attachments.push_back(std::move(file_name));
      break;
    }
  }
  return fields;
}

}  // namespace quorlin
