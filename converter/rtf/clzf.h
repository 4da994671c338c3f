// Decoder of the compressed rich-text body ("LZFu" compressed or "MELA" stored) that
// messages keep in their RTF property: bytes in, plain RTF bytes out.
// The file layout it reads, field by field: docs/compressed-rtf.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "converter/base/byte_sink.h"

namespace quorlin {

// The checksum of compressed rich-text bodies: CRC-32 with the reflected polynomial
// 0xEDB88320, starting from 0 and with no final inversion (zlib's crc32 inverts before and
// after, so this is zlib's with both inversions taken back). Continues `crc` over `bytes`;
// start with 0 for a whole body. Where the checksum sits in a body and what it covers:
// docs/compressed-rtf.md.
std::uint32_t RtfCrc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

class CLZF {
 public:
  // Decodes a whole compressed-RTF body (16-byte header plus contents). Throws DecodeError
  // with a one-line reason when the body is damaged, also when its data goes on past the
  // stated size; never returns a partial result. The result has a few bytes of spare
  // capacity, so a line break can be appended without copying it.
  static std::vector<std::uint8_t> decompressRTF(std::span<const std::uint8_t> input);

  // The first `most` bytes of the document (all of it when shorter), for a look at its
  // opening: the header and sizes are checked, the CRC is not, and nothing past those
  // bytes is decoded or checked. Throws DecodeError when that much cannot be decoded.
  static std::vector<std::uint8_t> decompressOpening(std::span<const std::uint8_t> input,
                                                     std::size_t most);

  // The uncompressed size a body's header states, read without checking or decoding
  // anything else. Throws DecodeError when the body is too short to have a header.
  static std::uint32_t statedSize(std::span<const std::uint8_t> input);

  // Decodes a body into `sink` a piece at a time, holding no more than the 4 KB the
  // references reach back into and one piece of output, however large the document.
  // The header, sizes and CRC are checked before anything is written; damage found
  // further on throws DecodeError after part of the document has gone to `sink`, so the
  // caller must be able to discard what it wrote (a temporary output file).
  static void decompressRTF(std::span<const std::uint8_t> input, ByteSink& sink);
};

}  // namespace quorlin
