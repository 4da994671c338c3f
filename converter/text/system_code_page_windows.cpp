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

// MultiByteToWideChar into `text`; false when the page finds a sequence it refuses
// (with MB_ERR_INVALID_CHARS) or cannot decode at all.
bool Convert(std::span<const std::uint8_t> bytes, UINT code_page, DWORD flags, std::u16string& text) {
  const auto size = static_cast<int>(bytes.size());
  const auto* in = reinterpret_cast<const char*>(bytes.data());
  const int length = ::MultiByteToWideChar(code_page, flags, in, size, nullptr, 0);
  if (length <= 0) return false;
  const std::size_t at = text.size();
  text.resize(at + static_cast<std::size_t>(length));
  ::MultiByteToWideChar(code_page, flags, in, size, reinterpret_cast<wchar_t*>(text.data() + at), length);
  return true;
}

// The pages whose sequences are one or two bytes, told apart by the lead byte: a sequence
// they refuse becomes one U+FFFD and decoding goes on with the next byte, as iconv does.
std::u16string DecodeByCharacter(std::span<const std::uint8_t> bytes, UINT code_page) {
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = ::IsDBCSLeadByteEx(code_page, bytes[at]) && at + 1 < bytes.size() ? 2 : 1;
    if (Convert(bytes.subspan(at, length), code_page, MB_ERR_INVALID_CHARS, text)) {
      at += length;
    } else {
      text.push_back(kReplacement);
      ++at;
    }
  }
  return text;
}

std::optional<std::u16string> Decode(std::span<const std::uint8_t> bytes, UINT code_page) {
  if (!::IsValidCodePage(code_page)) return std::nullopt;
  std::u16string text;
  if (bytes.empty()) return text;
  if (Convert(bytes, code_page, MB_ERR_INVALID_CHARS, text)) return text;
  CPINFO info{};
  if (::GetCPInfo(code_page, &info) && info.MaxCharSize <= 2) return DecodeByCharacter(bytes, code_page);
  // Pages that take no MB_ERR_INVALID_CHARS (the ISO-2022 ones, GB18030, UTF-8): the
  // system's own replacement.
  text.clear();
  if (Convert(bytes, code_page, 0, text)) return text;
  return std::nullopt;
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
