// SO/SI katakana to escapes: one forward pass that remembers the last escape choosing the
// set the text returns to after SI.
#include "converter/text/jis_shift.h"

#include <iterator>

namespace quorlin {
namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kShiftOut = 0x0E;
constexpr std::uint8_t kShiftIn = 0x0F;

// The length of the escape choosing the main character set (ESC "(" F, ESC "$" F or
// ESC "$(" F) at bytes[i], or 0 when there is none there.
std::size_t MainSetEscapeLength(std::span<const std::uint8_t> bytes, std::size_t i) {
  const std::size_t left = bytes.size() - i;
  if (left < 3 || bytes[i] != kEsc) return 0;
  if (bytes[i + 1] == '(') return 3;
  if (bytes[i + 1] != '$') return 0;
  if (bytes[i + 2] == '(') return left >= 4 ? 4 : 0;
  return 3;
}

}  // namespace

std::vector<std::uint8_t> ShiftedKatakanaToEscapes(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kKatakana[] = {kEsc, '(', 'I'};
  std::vector<std::uint8_t> out;
  out.reserve(bytes.size() + 16);
  std::vector<std::uint8_t> back = {kEsc, '(', 'B'};  // where SI returns to
  bool shifted = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (const std::size_t length = MainSetEscapeLength(bytes, i)) {
      back.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                  bytes.begin() + static_cast<std::ptrdiff_t>(i + length));
      if (!shifted) out.insert(out.end(), back.begin(), back.end());
      i += length - 1;
    } else if (bytes[i] == kShiftOut) {
      if (!shifted) out.insert(out.end(), std::begin(kKatakana), std::end(kKatakana));
      shifted = true;
    } else if (bytes[i] == kShiftIn) {
      if (shifted) out.insert(out.end(), back.begin(), back.end());
      shifted = false;
    } else {
      out.push_back(bytes[i]);
    }
  }
  return out;
}

}  // namespace quorlin
