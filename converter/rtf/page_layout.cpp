// The page words of a document.
#include "converter/rtf/page_layout.h"

namespace quorlin {

std::string PageLayout::RtfWords() const {
  const std::string margin = std::to_string(kMargin);
  return "\\paperw" + std::to_string(paper_width) + "\\paperh" + std::to_string(paper_height) +
         "\\margl" + margin + "\\margr" + margin + "\\margt" + margin + "\\margb" + margin;
}

}  // namespace quorlin
