// Reading the facts a document can be named by.
#include "converter/document/name_fields.h"

#include "converter/text/code_page.h"
#include "converter/document/header_code_page.h"
#include "converter/document/property_text.h"
#include "converter/text/local_time.h"
#include "converter/document/message_body.h"
#include "converter/msg/property_tags.h"

namespace quorlin {
namespace {

std::optional<std::uint64_t> SentOrReceived(const Message& message) {
  for (const char* id : {tags::kClientSubmitTime, tags::kMessageDeliveryTime}) {
    std::optional<std::uint64_t> time = message.FindTime(id);
    if (time && *time != 0) return time;
  }
  return std::nullopt;
}

}  // namespace

NameFields ReadNameFields(const Message& message) {
  const std::uint32_t code_page = HeaderCodePage(message);
  NameFields fields;
  if (std::optional<std::uint64_t> time = SentOrReceived(message))
    fields.date = FormatLocalStamp(*time).value_or(std::string());
  std::u16string subject = PropertyLine(message, tags::kNormalizedSubject, code_page);
  if (subject.empty()) subject = PropertyLine(message, tags::kSubject, code_page);
  fields.subject = EncodeUtf8(subject);
  fields.from = EncodeUtf8(PropertyLine(message, tags::kSenderName, code_page));
  return fields;
}

DocumentFacts ReadDocumentFacts(const Message& message) {
  const std::uint32_t code_page = HeaderCodePage(message);
  DocumentFacts facts;
  std::u16string subject = PropertyLine(message, tags::kSubject, code_page);
  if (subject.empty()) subject = PropertyLine(message, tags::kNormalizedSubject, code_page);
  facts.subject = EncodeUtf8(subject);
  facts.sender = EncodeUtf8(PropertyLine(message, tags::kSenderName, code_page));
  facts.sent = MessageTime(message);
  return facts;
}

std::optional<std::int64_t> MessageTime(const Message& message) {
  // One rule of valid dates with the header block: a time the header leaves out (past the
  // year 9999, before 1601) dates nothing either.
  std::optional<std::uint64_t> time = SentOrReceived(message);
  if (!time || !FormatLocalTime(*time)) return std::nullopt;
  return UnixSeconds(*time);
}

}  // namespace quorlin
