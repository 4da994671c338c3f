// The readable text of an HTML body, for a message that has no rich-text body or plain
// text of its own.
#pragma once

#include <string>

namespace quorlin {

// Tags dropped, block elements as line breaks, entities decoded, scripts, styles and the
// head left out. The HTML is taken by value: its buffer is reused for the text.
std::u16string HtmlToText(std::u16string html);

}  // namespace quorlin
