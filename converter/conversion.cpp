// The conversion steps and the one place where the converter's failures are caught and
// turned into a result. A document is made the same way whether it goes to a file or to
// memory: the content is read, then written piece by piece into a sink.
#include "converter/conversion.h"

#include <memory>
#include <new>

#include "converter/errors.h"
#include "converter/header_block.h"
#include "converter/header_fields.h"
#include "converter/input_file.h"
#include "converter/message.h"
#include "converter/message_body.h"
#include "converter/output_file.h"

namespace quorlin {

namespace {

// What the message's document is made of, opened by the header block when it is asked for.
DocumentContent ReadContent(const Message& message, const ConversionOptions& options) {
  DocumentContent content = ReadDocumentContent(message);
  if (options.header_block) content.opening = HeaderBlockRtf(ReadHeaderFields(message));
  return content;
}

}  // namespace

std::vector<std::uint8_t> ConvertMessage(std::span<const std::uint8_t> msg_bytes,
                                         const ConversionOptions& options) {
  const DocumentContent content = ReadContent(*Message::Open(msg_bytes), options);
  std::vector<std::uint8_t> document;
  VectorSink sink(document);
  content.WriteTo(sink);
  return document;
}

ConversionResult ConvertFile(const std::filesystem::path& input,
                             const std::filesystem::path& output,
                             const ConversionOptions& options) {
  try {
    if (IsSameFile(input, output))
      throw IoError("the output file \"" + output.string() + "\" is the input file itself");
    auto in = std::make_unique<InputFile>(input);
    const DocumentContent content = ReadContent(*Message::Open(in->bytes()), options);
    // A rich-text body is decoded straight from the input into the output, so the input
    // stays open while it is written; a document built from text is done with it.
    if (!content.rtf) in.reset();
    WriteFileAtomically(output, [&content](ByteSink& sink) { content.WriteTo(sink); });
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
