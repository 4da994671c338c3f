// An HTML body made into an RTF document that keeps its layout: paragraphs, headings,
// character formatting, links, lists, preformatted text, tables and pictures.
#pragma once

#include <string_view>

#include "converter/base/byte_sink.h"
#include "converter/html/inline_images.h"

namespace quorlin {

// Writes a whole RTF document for an HTML body, through gumbo. `images` may be null:
// then an <img> adds nothing (as the text conversion did).
void HtmlToRtf(std::string_view html_utf8, ByteSink& out, InlineImages* images,
               std::string_view opening /* header block RTF placed before the first text */);

}  // namespace quorlin
