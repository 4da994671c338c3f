// Decoding of string property bytes. UTF-16LE, UTF-8, UTF-7 and the single-byte Windows
// pages are decoded here from the converter's own tables, which is faster than any general
// converter; every other code page goes to the platform's decoder. Every byte sequence
// decodes to something; bytes that mean nothing in their encoding become U+FFFD, so no
// text is silently dropped.
#include "converter/text/code_page.h"

#include <optional>
#include <string>

#include "converter/text/code_page_tables.h"
#include "converter/base/notice.h"
#include "converter/text/system_code_page.h"
#include "converter/text/utf7_text.h"

namespace quorlin {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

// One UTF-8 sequence: the character it stands for, or nothing when it is broken, and
// where the next one begins.
struct Utf8Sequence {
  std::optional<char32_t> character;
  std::size_t next;
};

// The sequence at bytes[i], with the usual safeguards: no overlong forms, no surrogates,
// nothing above U+10FFFF. A broken sequence ends after its longest valid beginning (at
// least one byte), so each maximal piece of it counts once.
Utf8Sequence ReadUtf8Sequence(std::span<const std::uint8_t> bytes, std::size_t i) {
  const std::size_t n = bytes.size();
  const std::uint8_t lead = bytes[i];
  if (lead < 0x80) return {lead, i + 1};
  int extra;
  char32_t c;
  std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return {std::nullopt, i + 1};
  }
  std::size_t j = i + 1;
  for (int k = 0; k < extra; ++k, ++j) {
    const std::uint8_t b = j < n ? bytes[j] : 0;
    const bool in_range = k == 0 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF);
    if (j >= n || !in_range) return {std::nullopt, j};
    c = c << 6 | (b & 0x3F);
  }
  return {c, j};
}

// Each maximal piece of a broken sequence becomes one U+FFFD.
std::u16string DecodeUtf8(std::span<const std::uint8_t> bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    if (bytes[i] < 0x80) {  // the common case, kept short
      out.push_back(bytes[i++]);
      continue;
    }
    const Utf8Sequence sequence = ReadUtf8Sequence(bytes, i);
    if (sequence.character)
      AppendCodePoint(out, *sequence.character);
    else
      out.push_back(kReplacement);
    i = sequence.next;
  }
  return out;
}

}  // namespace

bool IsValidUtf8(std::span<const std::uint8_t> bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const Utf8Sequence sequence = ReadUtf8Sequence(bytes, i);
    if (!sequence.character) return false;
    i = sequence.next;
  }
  return true;
}

std::u16string DecodeUtf16Le(std::span<const std::uint8_t> bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return out;
}

std::u16string DecodeCodePage(std::span<const std::uint8_t> bytes, std::uint32_t code_page) {
  if (code_page == 65001) return DecodeUtf8(bytes);
  if (code_page == 65000) return DecodeUtf7(bytes);
  if (code_page == 1200) return DecodeUtf16Le(bytes);
  std::u16string out(bytes.size(), u'\0');
  if (code_page == 28591) {
    for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = bytes[i];
    return out;
  }
  if (code_page == 20127) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
      out[i] = bytes[i] < 0x80 ? bytes[i] : kReplacement;
    return out;
  }
  const HighHalf* table = HighHalfFor(code_page);
  if (table == nullptr) {
    if (std::optional<std::u16string> text = DecodeWithSystem(bytes, code_page)) return *text;
    Notice("code page " + std::to_string(code_page) + " is not known here: its text is read as code page 1252");
    table = HighHalfFor(1252);
  }
  for (std::size_t i = 0; i < bytes.size(); ++i)
    out[i] = bytes[i] < 0x80 ? char16_t{bytes[i]} : (*table)[bytes[i] - 0x80];
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
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

std::string EncodeUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCodePoint(text, [&out](char32_t c) { AppendUtf8(out, c); });
  return out;
}

std::u16string Utf16FromUtf8(std::string_view text) {
  return DecodeUtf8(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace quorlin
