// Look-up of the single-byte Windows code-page tables (bytes 0x80 to 0xFF); the lower
// half of every such page is ASCII.
#pragma once

#include <array>
#include <cstdint>

namespace quorlin {

using HighHalf = std::array<char16_t, 128>;

// The table of code page 874 or 1250..1258, or nullptr for any other number.
const HighHalf* HighHalfFor(std::uint32_t code_page);

}  // namespace quorlin
