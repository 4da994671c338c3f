// Reading the picture reference out of an HTML <img> tag as a rich-text body carries it
// (the text of one \htmltag group, in the document's code page).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "converter/html/inline_images.h"

namespace quorlin {

// The reference an "<img ...>" tag makes: its src, alt, width and height attributes.
// Attribute names in any case; values in double quotes, single quotes or none, with
// character references ("&amp;") decoded; width and height only as whole pixels ("120"
// or "120px", not "50%"). When an attribute is repeated the first counts. Nothing when
// the tag is not an img tag.
std::optional<ImageRef> ParseImageTag(std::string_view tag, std::uint32_t code_page);

}  // namespace quorlin
