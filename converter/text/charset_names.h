// The charset names that mail and web pages declare ("utf-8", "shift_jis", "iso-8859-2",
// "ks_c_5601-1987", ...) and the Windows code pages they stand for.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorlin {

// The code page for a charset name, compared without regard to case; nothing for a name
// not listed. Names that browsers read as a larger page map to that page, as browsers do
// ("iso-8859-1" and "us-ascii" to 1252, "gb2312" to 936).
std::optional<std::uint32_t> CodePageForCharset(std::string_view name);

}  // namespace quorlin
