// Plain text to a complete RTF document. The document is pure ASCII: RTF's special
// characters are escaped and everything beyond ASCII is written as a Unicode escape, so
// it reads the same whatever code page the reader assumes.
#include "converter/rtf/text_to_rtf.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "converter/rtf/link_colour.h"
#include "converter/rtf/rtf_text.h"

namespace quorlin {
namespace {

constexpr std::string_view kFonts =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}";
constexpr std::string_view kStart = "\r\n\\pard\\plain\\f0\\fs20 ";
constexpr std::string_view kTrailer = "}";

// A large text is escaped a slice at a time, so that writing it needs no buffer of the
// document's size.
constexpr std::size_t kSliceUnits = std::size_t{1} << 14;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// The end of the slice that starts at `begin`. A slice never ends inside a CR LF or a
// surrogate pair: each is written as one.
std::size_t SliceEnd(std::u16string_view text, std::size_t begin) {
  std::size_t end = std::min(text.size(), begin + kSliceUnits);
  while (end < text.size() && (text[end - 1] == u'\r' || IsHighSurrogate(text[end - 1]))) ++end;
  return end;
}

void Put(ByteSink& sink, std::string_view piece) {
  sink.Write({reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()});
}

}  // namespace

void WritePlainTextAsRtf(std::u16string_view text, ByteSink& sink, std::string_view opening,
                         const PageLayout* page) {
  std::string piece(kFonts);
  if (UsesLinkColour(opening)) {
    // The header block's links: the one colour of the document's table.
    piece += "{\\colortbl;";
    piece += kLinkColourEntry;
    piece += "}";
    if (page) piece += page->RtfWords();
    piece += kStart;
    piece += LinkColourBlock(opening, 1);
  } else {
    if (page) piece += page->RtfWords();
    piece += kStart;
    piece += opening;
  }
  for (std::size_t begin = 0; begin < text.size();) {
    const std::size_t end = SliceEnd(text, begin);
    AppendRtfText(piece, text.substr(begin, end - begin));
    Put(sink, piece);
    piece.clear();
    begin = end;
  }
  piece += kTrailer;
  Put(sink, piece);
}

}  // namespace quorlin
