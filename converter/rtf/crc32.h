// The checksum of compressed rich-text bodies: CRC-32 with the reflected polynomial
// 0xEDB88320, starting from 0 and with no final inversion (unlike the zlib variant).
// Where the checksum sits in a body and what it covers: docs/compressed-rtf.md.
#pragma once

#include <cstdint>
#include <span>

namespace quorlin {

// Continues `crc` over `bytes`; start with 0 for a whole body.
std::uint32_t RtfCrc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

}  // namespace quorlin
