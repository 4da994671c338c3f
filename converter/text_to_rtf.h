// Builds an RTF document from plain text, for messages that carry no rich-text or HTML
// body of their own.
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

}  // namespace quorlin
