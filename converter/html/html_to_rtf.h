// An HTML body made into an RTF document that keeps its layout: paragraphs, headings,
// character formatting, links, lists, preformatted text, tables and pictures.
#pragma once

#include <string_view>

#include "converter/base/byte_sink.h"
#include "converter/html/inline_images.h"
#include "converter/rtf/page_layout.h"

namespace quorlin {

// Writes a whole RTF document for an HTML body, through gumbo. `images` may be null:
// then an <img> adds nothing (as the text conversion did). `opening` is the header
// block's RTF, placed before the first text. Tables are fitted into `page`'s text width,
// and the document states `page`; without one, into the text width of a Letter page with
// one-inch margins, and the document states no page.
void HtmlToRtf(std::string_view html_utf8, ByteSink& out, InlineImages* images,
               std::string_view opening, const PageLayout* page = nullptr);

}  // namespace quorlin
