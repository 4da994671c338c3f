// The text a reader of an RTF document sees, for tests that compare words rather than
// control words: paragraphs and line breaks as "\n", tabs and table cells as "\t" (a row's
// last cell ends its line), destinations, font and colour tables and field instructions
// left out, escapes decoded; leading and trailing line breaks trimmed.
#pragma once

#include <string>
#include <string_view>

namespace quorlin::testing {

std::u16string RtfVisibleText(std::string_view rtf);

}  // namespace quorlin::testing
