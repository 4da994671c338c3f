// Decoding of the code pages the converter has no table of its own for, through the
// platform's converter: glibc's iconv on Linux. A Windows build puts MultiByteToWideChar
// behind the same function; callers only ever see code-page numbers and UTF-16 text.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quorlin {

// The bytes in Windows code page `code_page` as UTF-16 text, or nothing when the platform
// does not know that code page. Each sequence that means nothing in it becomes one
// U+FFFD and the text after it is decoded as if it had not been there.
std::optional<std::u16string> DecodeWithSystem(std::span<const std::uint8_t> bytes,
                                               std::uint32_t code_page);

}  // namespace quorlin
