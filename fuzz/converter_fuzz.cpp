// libFuzzer target over the path users run: raw bytes are opened as a compound file, loaded
// as a message, and turned into the output document by the same streaming steps as a
// conversion to a file (ConvertMessage only writes into memory instead). Converter errors
// are the expected outcome for damaged input; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <span>

#include "converter/conversion.h"
#include "converter/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Both with and without the header block, which reads more of the message and walks the
  // document's RTF to find where the block goes.
  for (bool header : {false, true}) {
    try {
      quorlin::ConvertMessage(std::span<const std::uint8_t>(data, size), quorlin::ConversionOptions{header});
    } catch (const quorlin::ConvertError&) {
    }
  }
  return 0;
}
