// Parsing an HTML body with gumbo within bounds of memory and time. Gumbo builds the whole
// tree and knows no limits: a hostile body can make it hold many times its size (formatting
// elements re-opened for every paragraph) or take minutes (tens of thousands of nested
// elements). Within the bounds the body is parsed whole; past them it is parsed again in
// pieces, each a document of its own, which keeps every word though layout that spans two
// pieces is lost.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string_view>

#include <gumbo.h>

namespace quorlin {

struct HtmlParseLimits {
  std::size_t memory;               // bytes gumbo may hold at once
  std::chrono::milliseconds time;   // for parsing the body in one piece
};

// 48 MB plus twice the body for memory, which keeps a conversion within 4x its input plus
// 64 MB; two seconds plus a second per 4 MB, several times what gumbo needs for real mail.
HtmlParseLimits DefaultHtmlParseLimits(std::size_t html_size);

// Calls `each` with the document node of the parsed body, once when it is parsed whole
// (`whole` true), else once per piece in order. The tree lives until `each` returns.
// Throws std::bad_alloc when even a small piece cannot be parsed.
void ParseHtml(std::string_view html, const HtmlParseLimits& limits,
               const std::function<void(const GumboNode& document, bool whole)>& each);

// Pieces of the fallback hold at most this many bytes and this many '<'; a piece with no
// more '<' than that parses in milliseconds however its elements nest.
inline constexpr std::size_t kHtmlPieceBytes = 256 * 1024;
inline constexpr std::size_t kHtmlPieceTags = 1000;

}  // namespace quorlin
