// Message writer: builds compressed-RTF bodies of any content, so the samples, tests and
// benchmarks need no binary files.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace msgwriter {

// A valid "LZFu" body for the text: greedy matching within the 4096-byte window, the
// closing end reference and a correct CRC.
std::vector<std::uint8_t> CompressRtf(std::string_view rtf);

// A "MELA" (stored, uncompressed) body for the text, with CRC 0.
std::vector<std::uint8_t> StoreRtfUncompressed(std::string_view rtf);

}  // namespace msgwriter
