// Text to RTF characters, shared by the documents built from plain text and the header
// block inserted into every kind of document.
#include "converter/rtf/rtf_text.h"

#include <cstdint>

namespace quorlin {
namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// \uN with N the UTF-16 unit as a signed 16-bit number, and "?" for readers that do
// not know the escape.
void AppendUnicode(std::string& out, char16_t unit) {
  out += "\\u";
  out += std::to_string(static_cast<std::int16_t>(unit));
  out += '?';
}

}  // namespace

void AppendRtfText(std::string& out, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    switch (c) {
      case u'\\': out += "\\\\"; continue;
      case u'{': out += "\\{"; continue;
      case u'}': out += "\\}"; continue;
      case u'\t': out += "\\tab "; continue;
      case u'\r':
        if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        out += "\\par\r\n";
        continue;
      case u'\n': out += "\\par\r\n"; continue;
      default: break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      // Other control characters have no place in a document.
    } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUnicode(out, c);  // outside the BMP: both halves of the pair
      AppendUnicode(out, text[++i]);
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      AppendUnicode(out, 0xFFFD);  // half a pair means nothing on its own
    } else {
      AppendUnicode(out, c);
    }
  }
}

}  // namespace quorlin
