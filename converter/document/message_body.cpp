// The body choice. A rich-text body is written exactly as decoded, bytes of 0x80 and up
// included; a message without one keeps its HTML or its text through an RTF document
// built from it.
#include "converter/document/message_body.h"

#include <span>

#include "converter/rtf/clzf.h"
#include "converter/text/code_page.h"
#include "converter/rtf/encapsulated_html.h"
#include "converter/base/errors.h"
#include "converter/text/html_charset.h"
#include "converter/html/html_to_rtf.h"
#include "converter/pictures/picture_placement.h"
#include "converter/msg/property_tags.h"
#include "converter/rtf/rtf_insertion.h"
#include "converter/rtf/text_to_rtf.h"

namespace quorlin {
namespace {

constexpr std::uint32_t kDefaultCodePage = 1252;
constexpr std::uint32_t kUtf8 = 65001;


// The code page of a binary HTML body that declares none itself: "3FDE" (the code page
// the body came in), else "3FFD", else 1252.
std::uint32_t HtmlFallbackCodePage(const Message& message) {
  if (auto code_page = CodePageProperty(message, tags::kInternetCodePage)) return *code_page;
  if (auto code_page = CodePageProperty(message, tags::kMessageCodePage)) return *code_page;
  return kDefaultCodePage;
}

// A body property as text: Unicode strings as they are, 8-bit strings in the message's
// code page, and a binary HTML body in the encoding it declares for itself, else the one
// it came in. The raw bytes are released as soon as they are decoded.
std::optional<std::u16string> TextProperty(const Message& message, const char* id,
                                           bool html) {
  std::optional<PropertyElement> property = message.FindPropertyElement(id);
  if (!property) return std::nullopt;
  std::u16string text;
  if (property->type == kTypeUnicode) {
    text = DecodeUtf16Le(message.ReadPropertyStream(*property));
  } else if (property->type == kTypeString8) {
    text = DecodeText(message.ReadPropertyStream(*property), MessageCodePage(message));
  } else if (html && property->type == kTypeBinary) {
    const std::vector<std::uint8_t> bytes = message.ReadPropertyStream(*property);
    const std::span<const std::uint8_t> all(bytes);
    if (std::optional<DeclaredEncoding> declared = HtmlDeclaredEncoding(all))
      text = DecodeText(all.subspan(declared->skip), declared->code_page);
    else
      text = DecodeText(all, HtmlFallbackCodePage(message));
  } else {
    return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  return text;
}

// UTF-16 as UTF-8, for the HTML parser; half a surrogate pair becomes U+FFFD. Control
// characters, which no document shows, are left out here: the parser would make each a
// U+FFFD mark.
std::string Utf8(std::u16string text) {
  std::erase_if(text, [](char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f') || (c >= 0x7F && c <= 0x9F);
  });
  return EncodeUtf8(text);
}

}  // namespace

std::optional<std::uint32_t> CodePageProperty(const Message& message, const char* id) {
  try {
    std::optional<std::int32_t> value = message.FindInt32(id);
    if (value && *value > 0) return static_cast<std::uint32_t>(*value);
  } catch (const PropertyError&) {
  }
  return std::nullopt;
}

std::u16string DecodeText(std::span<const std::uint8_t> bytes, std::uint32_t code_page) {
  if (code_page == kUtf8 && !IsValidUtf8(bytes)) code_page = kDefaultCodePage;
  return DecodeCodePage(bytes, code_page);
}

std::uint32_t MessageCodePage(const Message& message) {
  if (auto code_page = CodePageProperty(message, tags::kMessageCodePage)) return *code_page;
  if (auto code_page = CodePageProperty(message, tags::kInternetCodePage)) return *code_page;
  return kDefaultCodePage;
}

std::optional<std::u16string> PlainTextBody(const Message& message) {
  return TextProperty(message, tags::kBody, false);
}

std::optional<std::u16string> HtmlBody(const Message& message) {
  return TextProperty(message, tags::kHtml, true);
}

DocumentContent ReadDocumentContent(const Message& message) {
  DocumentContent content;
  if (std::optional<StreamBytes> rtf = message.CompressedBodyRTF()) {
    // HTML mail kept as RTF whose RTF side has lost the HTML's table grid: the document
    // is made from the HTML it carries, as an HTML body's is.
    if (std::optional<std::u16string> html = TableHtmlOfRtfBody(rtf->bytes()))
      content.html = Utf8(std::move(*html));
    else
      content.rtf = std::move(*rtf);
  } else if (std::optional<std::u16string> html = HtmlBody(message)) {
    content.html = Utf8(std::move(*html));
  } else if (std::optional<std::u16string> plain = PlainTextBody(message)) {
    content.text = std::move(*plain);
  } else {
    content.text.emplace();
  }
  return content;
}

void DocumentContent::WriteTo(ByteSink& sink) const { WriteTo(sink, pictures); }

void DocumentContent::WriteTo(ByteSink& sink, BodyPictures* with) const {
  static constexpr std::uint8_t kLineBreak[] = {'\r', '\n'};
  if (rtf) {
    // The page goes with the header block: a body kept as it is keeps its own.
    const std::string block = page && !opening.empty() ? page->RtfWords() + opening : std::string();
    DocumentStartInserter document(sink, block.empty() ? std::string_view(opening) : block);
    if (with) {
      PicturePlacer placer(document, *with);
      CLZF::decompressRTF(rtf->bytes(), placer);
    } else {
      CLZF::decompressRTF(rtf->bytes(), document);
    }
    document.Finish();
  } else if (html) {
    HtmlToRtf(*html, sink, with, opening, page ? &*page : nullptr);
  } else {
    WritePlainTextAsRtf(text ? *text : std::u16string_view(), sink, opening, page ? &*page : nullptr);
  }
  sink.Write(kLineBreak);
}

}  // namespace quorlin
