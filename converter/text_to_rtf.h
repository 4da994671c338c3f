// Builds an RTF document from plain text, and plain text from an HTML body, for messages
// that carry no rich-text body of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlin {

// A complete RTF document showing the text; the result is pure ASCII (every other
// character is written as a Unicode escape).
std::string PlainTextToRtf(std::u16string_view text);

// The same document appended to `out`, whose buffer grows once, to exactly the document's
// size plus `spare` bytes for what the caller adds after it.
void AppendPlainTextAsRtf(std::u16string_view text, std::vector<std::uint8_t>& out,
                          std::size_t spare);

// The readable text of an HTML body: tags dropped, block elements as line breaks,
// entities decoded, scripts, styles and the head left out.
// The HTML is taken by value: its buffer is reused for the text.
std::u16string HtmlToText(std::u16string html);

}  // namespace quorlin
