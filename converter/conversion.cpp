// The conversion steps and the one place where the converter's failures are caught and
// turned into a result.
#include "converter/conversion.h"

#include <new>

#include "converter/errors.h"
#include "converter/header_block.h"
#include "converter/message.h"
#include "converter/message_body.h"
#include "converter/output_file.h"

namespace quorlin {

std::vector<std::uint8_t> ConvertMessage(std::span<const std::uint8_t> msg_bytes,
                                         const ConversionOptions& options) {
  std::unique_ptr<Message> message = Message::Open(msg_bytes);
  std::vector<std::uint8_t> document = MessageDocument(*message);
  if (options.header_block) AddHeaderBlock(*message, document);
  return document;
}

ConversionResult ConvertFile(const std::filesystem::path& input,
                             const std::filesystem::path& output,
                             const ConversionOptions& options) {
  try {
    if (IsSameFile(input, output))
      throw IoError("the output file \"" + output.string() + "\" is the input file itself");
    std::vector<std::uint8_t> msg_bytes = ReadWholeFile(input);
    std::vector<std::uint8_t> document = ConvertMessage(msg_bytes, options);
    WriteFileAtomically(output, document);
    return {};
  } catch (const FormatError& error) {
    return {ConversionStatus::kFormatError, error.what()};
  } catch (const DecodeError& error) {
    return {ConversionStatus::kDecodeError, error.what()};
  } catch (const PropertyError& error) {
    return {ConversionStatus::kPropertyError, error.what()};
  } catch (const IoError& error) {
    return {ConversionStatus::kIoError, error.what()};
  } catch (const std::bad_alloc&) {
    return {ConversionStatus::kInternalError, "out of memory"};
  } catch (const std::exception& error) {
    return {ConversionStatus::kInternalError, error.what()};
  }
}

}  // namespace quorlin
