// Builds an RTF document from plain text, for messages that carry no rich-text or HTML
// body of their own.
#pragma once

#include <string>
#include <string_view>

#include "converter/base/byte_sink.h"

namespace quorlin {

// A complete RTF document showing the text, handed to `sink` in pieces and never held
// whole; it is pure ASCII (every other character is written as a Unicode escape).
// `opening` is RTF put before the text (the header block), empty for none.
void WritePlainTextAsRtf(std::u16string_view text, ByteSink& sink,
                         std::string_view opening = {});

}  // namespace quorlin
