// HZ to EUC-CN: one forward pass over the bytes, switching between ASCII and GB2312 mode.
#include "converter/text/hz_text.h"

namespace quorlin {
namespace {

constexpr std::uint8_t kNotEucCn = 0xFF;  // never part of an EUC-CN character

}  // namespace

std::vector<std::uint8_t> HzToEucCn(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> out;
  out.reserve(bytes.size());
  bool gb_mode = false;
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = bytes[i];
    if (b == '~' && i + 1 < n) {
      const std::uint8_t next = bytes[i + 1];
      if (!gb_mode && next == '~') {
        out.push_back('~');
        ++i;
        continue;
      }
      if (!gb_mode && next == '\n') {
        ++i;
        continue;
      }
      if (next == '{' || next == '}') {
        gb_mode = next == '{';
        ++i;
        continue;
      }
    }
    if (!gb_mode || b == '\r' || b == '\n') {
      out.push_back(b);
      continue;
    }
    // A two-byte GB2312 character: both bytes in 0x21..0x7E.
    if (i + 1 < n && b >= 0x21 && b <= 0x7E && bytes[i + 1] >= 0x21 && bytes[i + 1] <= 0x7E) {
      out.push_back(static_cast<std::uint8_t>(b | 0x80));
      out.push_back(static_cast<std::uint8_t>(bytes[i + 1] | 0x80));
      ++i;
    } else {
      out.push_back(kNotEucCn);
    }
  }
  return out;
}

}  // namespace quorlin
