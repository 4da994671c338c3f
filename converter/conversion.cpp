// The conversion steps and the one place where the converter's failures are caught and
// turned into a result.
#include "converter/conversion.h"

#include <memory>
#include <new>

#include "converter/errors.h"
#include "converter/attachment_journal.h"
#include "converter/input_file.h"
#include "converter/message.h"
#include "converter/message_document.h"
#include "converter/output_file.h"

namespace quorlin {

std::vector<std::uint8_t> ConvertMessage(std::span<const std::uint8_t> msg_bytes,
                                         const ConversionOptions& options) {
  std::unique_ptr<Message> message = Message::Open(msg_bytes);
  return DocumentBytes(ReadContent(*message, options, PicturesShown(*message, options), nullptr));
}

ConversionResult ConvertFile(const std::filesystem::path& input,
                             const std::filesystem::path& output,
                             const ConversionOptions& options) {
  try {
    if (IsSameFile(input, output))
      throw IoError("the output file \"" + output.string() + "\" is the input file itself");
    auto in = std::make_unique<InputFile>(input);
    auto message = Message::Open(in->bytes());
    AttachmentJournal journal;
    try {
      PreparedDocument prepared = PrepareDocument(*message, output, options, journal);
      // A rich-text body is decoded straight from the input into the output, so the input
      // stays open while it is written; a document built from text is done with it.
      message.reset();
      if (!prepared.content.rtf) in.reset();
      WriteFileAtomically(output, [&prepared](ByteSink& sink) { prepared.content.WriteTo(sink); });
      ConversionResult result;
      result.attachment_files = prepared.saved.files;
      result.embedded_messages = prepared.saved.messages;
      return result;
    } catch (...) {
      journal.RollBack();
      throw;
    }
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
