// The link colour's place in a block, filled in once the document's colour table is known.
#include "converter/rtf/link_colour.h"

namespace quorlin {

bool UsesLinkColour(std::string_view block) { return block.find(kLinkColourMark) != std::string_view::npos; }

std::string LinkColourBlock(std::string_view block, std::size_t index) {
  std::string out;
  for (char c : block) {
    if (c == kLinkColourMark)
      out += std::to_string(index);
    else
      out += c;
  }
  return out;
}

}  // namespace quorlin
