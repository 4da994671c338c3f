// Plain text to a complete RTF document. The document is pure ASCII: RTF's special
// characters are escaped and everything beyond ASCII is written as a Unicode escape, so
// it reads the same whatever code page the reader assumes.
#include "converter/text_to_rtf.h"

#include <cstdint>

namespace quorlin {
namespace {

constexpr std::string_view kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
    "\\pard\\plain\\f0\\fs20 ";
constexpr std::string_view kTrailer = "}";

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

std::string PlainTextToRtf(std::u16string_view text) {
  std::string out(kHeader);
  out.reserve(kHeader.size() + text.size() + text.size() / 8 + kTrailer.size());
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
  out += kTrailer;
  return out;
}

}  // namespace quorlin
