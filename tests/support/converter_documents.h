// Test support: documents made the way the converter makes them, for expected values: the
// RTF document built from a text, and a message's rich-text body decoded whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "converter/base/byte_sink.h"
#include "converter/rtf/clzf.h"
#include "converter/msg/message.h"
#include "converter/rtf/text_to_rtf.h"

namespace quorlin::testing {

// The RTF document the converter builds from `text` on the default page (Letter), without
// the output's closing CR LF.
inline std::string PlainTextDocument(std::u16string_view text, std::string_view opening = {}) {
  std::vector<std::uint8_t> bytes;
  VectorSink sink(bytes);
  const PageLayout letter;
  WritePlainTextAsRtf(text, sink, opening, &letter);
  return std::string(bytes.begin(), bytes.end());
}

// The message's rich-text body decoded, or nothing when it has none.
inline std::optional<std::vector<std::uint8_t>> DecodedBody(const Message& message) {
  const std::optional<StreamBytes> compressed = message.CompressedBodyRTF();
  if (!compressed) return std::nullopt;
  return CLZF::decompressRTF(compressed->bytes());
}

}  // namespace quorlin::testing
