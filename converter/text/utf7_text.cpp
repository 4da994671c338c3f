// UTF-7 to UTF-16: one forward pass that collects the base64 bits of a shifted run into
// 16-bit code units and pairs surrogates as they come.
#include "converter/text/utf7_text.h"

namespace quorlin {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

int Base64Value(std::uint8_t c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Decodes the shifted run that starts at bytes[i] (just after its "+"); returns the
// position after it, its ending "-" included.
std::size_t DecodeShiftedRun(std::span<const std::uint8_t> bytes, std::size_t i, std::u16string& out) {
  std::uint32_t bits = 0;
  int count = 0;
  char16_t high = 0;  // a high surrogate waiting for its partner
  for (; i < bytes.size(); ++i) {
    const int value = Base64Value(bytes[i]);
    if (value < 0) break;
    bits = bits << 6 | static_cast<std::uint32_t>(value);
    count += 6;
    if (count < 16) continue;
    count -= 16;
    const auto unit = static_cast<char16_t>(bits >> count);
    bits &= (1u << count) - 1;
    if (high != 0 && IsLowSurrogate(unit)) {
      out.push_back(high);
      out.push_back(unit);
      high = 0;
      continue;
    }
    if (high != 0) out.push_back(kReplacement);
    high = 0;
    if (IsHighSurrogate(unit))
      high = unit;
    else
      out.push_back(IsLowSurrogate(unit) ? kReplacement : unit);
  }
  // Leftover bits are padding only when fewer than six and all zero.
  bool damaged = high != 0 || count >= 6 || bits != 0;
  if (i < bytes.size() && bytes[i] >= 0x80) {
    damaged = true;  // part of the same damaged piece: one mark for both
    ++i;
  } else if (i < bytes.size() && bytes[i] == '-') {
    ++i;
  }
  if (damaged) out.push_back(kReplacement);
  return i;
}

}  // namespace

std::u16string DecodeUtf7(std::span<const std::uint8_t> bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::uint8_t b = bytes[i++];
    if (b != '+') {
      out.push_back(b < 0x80 ? char16_t{b} : kReplacement);
    } else if (i < bytes.size() && bytes[i] == '-') {
      out.push_back(u'+');
      ++i;
    } else {
      i = DecodeShiftedRun(bytes, i, out);
    }
  }
  return out;
}

}  // namespace quorlin
