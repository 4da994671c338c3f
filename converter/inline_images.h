// The pictures a message's body refers to: a body that meets a picture reference asks an
// InlineImages to write the picture (or its stand-in) at that place of the document.
#pragma once

#include <optional>
#include <string>

#include "converter/byte_sink.h"

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
