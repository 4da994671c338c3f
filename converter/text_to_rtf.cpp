// Plain text to a complete RTF document. The document is pure ASCII: RTF's special
// characters are escaped and everything beyond ASCII is written as a Unicode escape, so
// it reads the same whatever code page the reader assumes.
#include "converter/text_to_rtf.h"

#include <cstdint>
#include <vector>

namespace quorlin {
namespace {

constexpr std::string_view kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
    "\\pard\\plain\\f0\\fs20 ";
constexpr std::string_view kTrailer = "}";

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Hands the document to a sink in pieces of a fixed size, so that writing it to a file
// needs no buffer of the document's size.
class ChunkWriter {
 public:
  explicit ChunkWriter(ByteSink& sink) : sink_(sink) {}
  void Put(char c) {
    if (used_ == sizeof buffer_) Flush();
    buffer_[used_++] = static_cast<std::uint8_t>(c);
  }
  void Put(std::string_view text) {
    for (char c : text) Put(c);
  }
  void Flush() {
    sink_.Write(std::span<const std::uint8_t>(buffer_, used_));
    used_ = 0;
  }

 private:
  ByteSink& sink_;
  std::uint8_t buffer_[1 << 16];
  std::size_t used_ = 0;
};

// \uN with N the UTF-16 unit as a signed 16-bit number, and "?" for readers that do
// not know the escape.
void PutUnicode(ChunkWriter& out, char16_t unit) {
  char digits[12];
  char* end = digits + sizeof digits;
  char* p = end;
  const int value = static_cast<std::int16_t>(unit);
  unsigned magnitude = static_cast<unsigned>(value < 0 ? -value : value);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--p = '-';
  out.Put("\\u");
  out.Put(std::string_view(p, static_cast<std::size_t>(end - p)));
  out.Put('?');
}

void PutDocument(ChunkWriter& out, std::u16string_view text) {
  out.Put(kHeader);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    switch (c) {
      case u'\\': out.Put("\\\\"); continue;
      case u'{': out.Put("\\{"); continue;
      case u'}': out.Put("\\}"); continue;
      case u'\t': out.Put("\\tab "); continue;
      case u'\r':
        if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        out.Put("\\par\r\n");
        continue;
      case u'\n': out.Put("\\par\r\n"); continue;
      default: break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out.Put(static_cast<char>(c));
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      // Other control characters have no place in a document.
    } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      PutUnicode(out, c);  // outside the BMP: both halves of the pair
      PutUnicode(out, text[++i]);
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      PutUnicode(out, 0xFFFD);  // half a pair means nothing on its own
    } else {
      PutUnicode(out, c);
    }
  }
  out.Put(kTrailer);
}

}  // namespace

std::string PlainTextToRtf(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  VectorSink sink(bytes);
  WritePlainTextAsRtf(text, sink);
  return std::string(bytes.begin(), bytes.end());
}

void WritePlainTextAsRtf(std::u16string_view text, ByteSink& sink) {
  ChunkWriter writer(sink);
  PutDocument(writer, text);
  writer.Flush();
}

}  // namespace quorlin
