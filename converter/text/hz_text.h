// HZ (code page 52936), the 7-bit form of simplified Chinese used in older mail: GB2312
// characters between "~{" and "~}", written without their high bits.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorlin {

// The same text as EUC-CN (GB2312 with the high bits set), which the platform's converter
// knows. "~~" is a tilde and "~" before a line break joins the lines. A malformed escape
// or an odd byte inside GB2312 mode becomes a byte EUC-CN does not use, so it decodes to a
// replacement mark instead of vanishing.
std::vector<std::uint8_t> HzToEucCn(std::span<const std::uint8_t> bytes);

}  // namespace quorlin
