// Decoder of the compressed rich-text body ("LZFu" compressed or "MELA" stored) that
// messages keep in their RTF property: bytes in, plain RTF bytes out.
// The file layout it reads, field by field: docs/compressed-rtf.md.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorlin {

class CLZF {
 public:
  // Decodes a whole compressed-RTF body (16-byte header plus contents). Throws DecodeError
  // with a one-line reason when the body is damaged, also when its data goes on past the
  // stated size; never returns a partial result. The result has a few bytes of spare
  // capacity, so a line break can be appended without copying it.
  static std::vector<std::uint8_t> decompressRTF(std::span<const std::uint8_t> input);
};

}  // namespace quorlin
