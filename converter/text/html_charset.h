// The encoding an HTML body declares for itself: a byte-order mark, or a charset in a
// <meta> tag near its start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quorlin {

struct DeclaredEncoding {
  std::uint32_t code_page;
  std::size_t skip = 0;  // bytes of a byte-order mark to leave out of the text
};

// How far into the body a <meta> declaration is looked for.
inline constexpr std::size_t kCharsetScanBytes = 4096;

// The body's own encoding: a UTF-8 or UTF-16 byte-order mark, else the first known charset
// of a <meta charset=...> or <meta http-equiv ... content="...; charset=..."> tag that
// begins within the first kCharsetScanBytes (read to its end). A meta tag naming UTF-16
// means UTF-8: the bytes that spelled the tag were not UTF-16. A UTF-7 label is not
// followed, as browsers do not follow it. Nothing when the body declares nothing known.
std::optional<DeclaredEncoding> HtmlDeclaredEncoding(std::span<const std::uint8_t> html);

}  // namespace quorlin
