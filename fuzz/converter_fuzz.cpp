// libFuzzer target over the converter's whole in-memory path: raw bytes are opened as a
// compound file, loaded as a message, and turned into the output document. Converter
// errors are the expected outcome for damaged input; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <span>

#include "converter/conversion.h"
#include "converter/errors.h"
#include "converter/message.h"
#include "converter/picture_attachments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  // Plain, with the header block (which reads more of the message and walks the
  // document's RTF to find where the block goes), and with pictures (which read the
  // attachments and every picture the body places).
  for (const quorlin::ConversionOptions options : {quorlin::ConversionOptions{false, false},
                                                   quorlin::ConversionOptions{true, false},
                                                   quorlin::ConversionOptions{false, true}}) {
    try {
      quorlin::ConvertMessage(bytes, options);
    } catch (const quorlin::ConvertError&) {
    }
  }
  try {
    quorlin::PicturesTheBodyShows(*quorlin::Message::Open(bytes));
  } catch (const quorlin::ConvertError&) {
  }
  return 0;
}
