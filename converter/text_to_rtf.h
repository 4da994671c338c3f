// Builds an RTF document from plain text, and plain text from an HTML body, for messages
// that carry no rich-text body of their own.
#pragma once

#include <string>
#include <string_view>

#include "converter/byte_sink.h"

namespace quorlin {

// A complete RTF document showing the text; the result is pure ASCII (every other
// character is written as a Unicode escape).
std::string PlainTextToRtf(std::u16string_view text);

// The same document handed to `sink` in pieces, never held whole. `opening` is RTF put
// before the text (the header block), empty for none.
void WritePlainTextAsRtf(std::u16string_view text, ByteSink& sink,
                         std::string_view opening = {});

// The readable text of an HTML body: tags dropped, block elements as line breaks,
// entities decoded, scripts, styles and the head left out.
// The HTML is taken by value: its buffer is reused for the text.
std::u16string HtmlToText(std::u16string html);

}  // namespace quorlin
