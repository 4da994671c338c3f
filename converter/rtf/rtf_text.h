// Writing text into an RTF document: RTF's special characters escaped and everything
// beyond ASCII as a Unicode escape, so the document stays pure ASCII and reads the same
// whatever code page the reader assumes.
#pragma once

#include <string>
#include <string_view>

namespace quorlin {

// Appends `text` to `out`: "\", "{" and "}" escaped, tabs as \tab, every line break (CR,
// LF or CR LF) as \par and a line break, other control characters dropped, each non-ASCII
// UTF-16 unit as \uN? (a surrogate pair as two escapes, a lone surrogate as U+FFFD).
// The escapes assume \uc1, one fallback character each.
void AppendRtfText(std::string& out, std::u16string_view text);

}  // namespace quorlin
