// Test support: SHA-256 of a byte string, as lower-case hex, for comparing outputs with
// the digests the corpus lists.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quorlin::testing {

std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace quorlin::testing
