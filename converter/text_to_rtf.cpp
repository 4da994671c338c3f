// Plain text to a complete RTF document. The document is pure ASCII: RTF's special
// characters are escaped and everything beyond ASCII is written as a Unicode escape, so
// it reads the same whatever code page the reader assumes.
#include "converter/text_to_rtf.h"

#include "converter/rtf_text.h"

namespace quorlin {
namespace {

constexpr std::string_view kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
    "\\pard\\plain\\f0\\fs20 ";
constexpr std::string_view kTrailer = "}";

}  // namespace

std::string PlainTextToRtf(std::u16string_view text) {
  std::string out(kHeader);
  out.reserve(kHeader.size() + text.size() + text.size() / 8 + kTrailer.size());
  AppendRtfText(out, text);
  out += kTrailer;
  return out;
}

}  // namespace quorlin
