// Pictures that a body refers to (an <img> of an HTML body, or of the HTML a rich-text
// body carries), and the interface that writes them into an RTF document.
#pragma once

#include <optional>
#include <string>

#include "converter/base/byte_sink.h"

namespace quorlin {

struct ImageRef {            // one picture reference met in a body
  std::string src;           // as written: "cid:part1.xyz@abc", "http://...", a file name
  std::u16string alt;        // alt text, may be empty
  std::optional<int> width_px, height_px;   // from the <img> attributes when given
};
class InlineImages {         // resolves references to the message's attachments
 public:
  virtual ~InlineImages() = default;
  // Writes, at the current place of an RTF document, the picture `ref` names (a \pict
  // group), or its alt text in brackets when it cannot be shown, or nothing.
  virtual void WriteImage(const ImageRef& ref, ByteSink& out) = 0;
};

}  // namespace quorlin
