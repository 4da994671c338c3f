// Half-width katakana written with shift-out and shift-in (code page 50222): ISO-2022-JP
// text where SO (0x0E) switches to JIS X 0201 katakana and SI (0x0F) switches back, a form
// the platform's converter does not take.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorlin {

// The same text with each SO written as the katakana escape (ESC "(I") and each SI as the
// last character-set escape seen before it (ESC "(B" when there was none), which the
// platform's ISO-2022-JP-2 converter reads. An escape met between SO and SI takes effect
// at the SI, as shifting out leaves it waiting; an SI without an SO is dropped.
std::vector<std::uint8_t> ShiftedKatakanaToEscapes(std::span<const std::uint8_t> bytes);

}  // namespace quorlin
