// Reading the header block's facts, each text on a single line (property_text.h).
#include "converter/document/header_fields.h"

#include "converter/document/attachment_list.h"
#include "converter/text/code_page.h"
#include "converter/base/errors.h"
#include "converter/document/header_code_page.h"
#include "converter/text/local_time.h"
#include "converter/document/property_text.h"
#include "converter/msg/property_tags.h"

namespace quorlin {
namespace {

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

HeaderFields ReadHeaderFields(const Message& message, const std::set<std::size_t>& shown) {
  const std::uint32_t code_page = HeaderCodePage(message);
  HeaderFields fields;
  fields.subject = PropertyLine(message, tags::kSubject, code_page);
  fields.sender_name = PropertyLine(message, tags::kSenderName, code_page);
  fields.sender_address = PropertyLine(message, tags::kSenderEmailAddress, code_page);
  // An address inside an organisation's directory ("/O=.../CN=...") means nothing on
  // paper: the Internet address replaces it, or it is left out.
  if (fields.sender_address.find(u'@') == std::u16string::npos ||
      fields.sender_address.starts_with(u'/')) {
    std::u16string smtp = PropertyLine(message, tags::kSenderSmtpAddress, code_page);
    if (!smtp.empty() || fields.sender_address.starts_with(u'/'))
      fields.sender_address = std::move(smtp);
  }
  fields.sent = SentTime(message);
  fields.to = PropertyLine(message, tags::kDisplayTo, code_page);
  fields.cc = PropertyLine(message, tags::kDisplayCc, code_page);
  fields.bcc = PropertyLine(message, tags::kDisplayBcc, code_page);
  fields.details = ReadItemDetails(message);
  for (ListedAttachment& attachment : SenderAttachments(message, shown))
    if (!attachment.name.empty()) fields.attachments.push_back(std::move(attachment.name));
  return fields;
}

}  // namespace quorlin
