// UTF-7 (code page 65000, RFC 2152) decoded by the converter itself: the platform's
// decoder keeps its shift state after a bad byte, which turns the rest of the text into
// garbage, and its error positions inside a shifted run do not say where the bad
// character began.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quorlin {

// The text UTF-7 bytes spell. Each damaged piece costs one U+FFFD and what follows it is
// read afresh: a shifted run left unfinished (leftover bits that are not padding, a high
// surrogate without its partner), a lone surrogate, or a byte of 0x80 and up (which, in
// a shifted run, also ends it). "+-" is "+", and a "-" ending a shifted run is absorbed.
std::u16string DecodeUtf7(std::span<const std::uint8_t> bytes);

}  // namespace quorlin
