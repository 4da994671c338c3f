// Character references of HTML text ("&eacute;", "&#233;", "&#xE9;").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorlin {

// Decodes the character reference starting at html[at] (which is '&'): named ones need
// their ';', numeric ones may leave it out. Appends the character (UTF-16) to `out` and
// returns the index just past the reference; returns `at` and appends nothing when there
// is no reference it knows, so the text stays as written.
std::size_t DecodeHtmlEntity(std::u16string_view html, std::size_t at, std::u16string& out);

}  // namespace quorlin
