// Turns 8-bit and UTF-16 string property bytes into UTF-16 text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorlin {

// True when the bytes are UTF-8 throughout, by the rule DecodeCodePage reads 65001 with:
// they then decode without a single U+FFFD of the decoder's own.
bool IsValidUtf8(std::span<const std::uint8_t> bytes);

// Little-endian UTF-16 bytes as text; an odd last byte is dropped.
std::u16string DecodeUtf16Le(std::span<const std::uint8_t> bytes);

// Bytes in the given Windows code page as text. The converter's own tables read 65001
// (UTF-8; invalid sequences become U+FFFD), 65000 (UTF-7, utf7_text.h), 1200 (UTF-16LE),
// 20127 (US-ASCII), 28591 (Latin-1) and the single-byte Windows pages 874 and 1250..1258;
// the platform's decoder reads the others (double-byte Asian pages, ISO-8859, KOI8,
// ISO-2022, EUC, GB18030, HZ, UTF-16BE, UTF-32, ...). Damage costs one U+FFFD per bad
// sequence and the text after it is read as if it had not been there. A code page that
// neither knows is read as 1252, with a notice.
std::u16string DecodeCodePage(std::span<const std::uint8_t> bytes, std::uint32_t code_page);

// UTF-16 text as UTF-8; half a surrogate pair becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view text);

// UTF-8 text as UTF-16, by DecodeCodePage's rule for 65001.
std::u16string Utf16FromUtf8(std::string_view text);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// Calls `each` with every code point of `text`; half a surrogate pair is U+FFFD.
template <typename Each>
void ForEachCodePoint(std::u16string_view text, Each each) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    each(c);
  }
}

}  // namespace quorlin
