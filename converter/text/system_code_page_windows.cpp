// The platform decoder on Windows: MultiByteToWideChar, which knows the system's code pages
// by their numbers. UTF-16 and UTF-32 it does not take are decoded here; HZ and the SO/SI
// katakana of 50222 are first rewritten as on Linux (EUC-CN, escapes), so a system without
// those pages still reads them through 936 and 50221.
#include "converter/text/system_code_page.h"

#include <windows.h>

#include "converter/text/hz_text.h"
#include "converter/text/jis_shift.h"

namespace quorlin {
namespace {

constexpr std::uint32_t kHz = 52936;
constexpr std::uint32_t kJisShifted = 50222;
constexpr char16_t kReplacement = 0xFFFD;

// UTF-16 (`unit` 2) or UTF-32 (4) in either byte order; a bad unit becomes one U+FFFD.
std::u16string DecodeUnits(std::span<const std::uint8_t> bytes, std::size_t unit, bool big_endian) {
  std::u16string text;
  text.reserve(bytes.size() / unit);
  auto read = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < unit; ++i)
      value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * (big_endian ? unit - 1 - i : i));
    return value;
  };
  std::size_t at = 0;
  for (; at + unit <= bytes.size(); at += unit) {
    const std::uint32_t value = read(at);
    if (unit == 4) {
      if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        text.push_back(kReplacement);
      } else if (value >= 0x10000) {
        text.push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
      } else {
        text.push_back(static_cast<char16_t>(value));
      }
      continue;
    }
    if (value >= 0xD800 && value <= 0xDBFF && at + 2 * unit <= bytes.size()) {
      const std::uint32_t low = read(at + unit);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        text.push_back(static_cast<char16_t>(value));
        text.push_back(static_cast<char16_t>(low));
        at += unit;
        continue;
      }
    }
    text.push_back(value >= 0xD800 && value <= 0xDFFF ? kReplacement : static_cast<char16_t>(value));
  }
  if (at < bytes.size()) text.push_back(kReplacement);  // a unit cut off by the end
  return text;
}

std::optional<std::u16string> Decode(std::span<const std::uint8_t> bytes, UINT code_page) {
  if (!::IsValidCodePage(code_page)) return std::nullopt;
  if (bytes.empty()) return std::u16string();
  const auto size = static_cast<int>(bytes.size());
  const auto* in = reinterpret_cast<const char*>(bytes.data());
  const int length = ::MultiByteToWideChar(code_page, 0, in, size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::u16string text(static_cast<std::size_t>(length), u'\0');
  ::MultiByteToWideChar(code_page, 0, in, size, reinterpret_cast<wchar_t*>(text.data()), length);
  return text;
}

}  // namespace

std::optional<std::u16string> DecodeWithSystem(std::span<const std::uint8_t> bytes,
                                               std::uint32_t code_page) {
  switch (code_page) {
    case 1200: return DecodeUnits(bytes, 2, false);
    case 1201: return DecodeUnits(bytes, 2, true);
    case 12000: return DecodeUnits(bytes, 4, false);
    case 12001: return DecodeUnits(bytes, 4, true);
    default: break;
  }
  if (code_page == kHz) {
    if (auto text = Decode(bytes, kHz)) return text;
    return Decode(HzToEucCn(bytes), 936);
  }
  if (code_page == kJisShifted) {
    if (auto text = Decode(bytes, kJisShifted)) return text;
    return Decode(ShiftedKatakanaToEscapes(bytes), 50221);
  }
  return Decode(bytes, code_page);
}

}  // namespace quorlin
