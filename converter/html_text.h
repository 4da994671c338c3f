// Pieces of reading the text of an HTML body, apart so they can be tested on their own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorlin {

// Decodes the character reference starting at html[at] (which is '&'): named ones need
// their ';', numeric ones ("&#233;", "&#xE9;") may leave it out. Appends the character
// (UTF-16) to `out` and returns the index just past the reference; returns `at` and
// appends nothing when there is no reference it knows, so the text stays as written.
std::size_t DecodeHtmlEntity(std::u16string_view html, std::size_t at, std::u16string& out);

}  // namespace quorlin
