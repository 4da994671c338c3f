// Builds an RTF document from plain text, for messages that carry no rich-text or HTML
// body of their own.
#pragma once

#include <string>
#include <string_view>

#include "converter/base/byte_sink.h"
#include "converter/rtf/page_layout.h"

namespace quorlin {

// A complete RTF document showing the text, handed to `sink` in pieces and never held
// whole; it is pure ASCII (every other character is written as a Unicode escape).
// `opening` is RTF put before the text (the header block), empty for none; `page`, when
// given, is the page the document states.
void WritePlainTextAsRtf(std::u16string_view text, ByteSink& sink,
                         std::string_view opening = {}, const PageLayout* page = nullptr);

}  // namespace quorlin
