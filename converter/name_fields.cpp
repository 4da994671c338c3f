// Reading the facts a document can be named by.
#include "converter/name_fields.h"

#include "converter/header_code_page.h"
#include "converter/header_fields.h"
#include "converter/local_time.h"
#include "converter/message_body.h"
#include "converter/property_tags.h"

namespace quorlin {
namespace {

std::string Utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

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
  fields.subject = Utf8(subject);
  fields.from = Utf8(PropertyLine(message, tags::kSenderName, code_page));
  return fields;
}

std::optional<std::int64_t> MessageTime(const Message& message) {
  std::optional<std::uint64_t> time = SentOrReceived(message);
  return time ? UnixSeconds(*time) : std::nullopt;
}

std::string NameFieldsLine(const NameFields& fields) {
  return fields.date + '\t' + fields.subject + '\t' + fields.from;
}

}  // namespace quorlin
