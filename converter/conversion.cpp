// The conversion steps and the one place where the converter's failures are caught and
// turned into a result. A document is made the same way whether it goes to a file or to
// memory: the content is read, then written piece by piece into a sink.
#include "converter/base/path_text.h"
#include "converter/conversion.h"

#include <memory>
#include <new>
#include <optional>

#include "converter/base/errors.h"
#include "converter/output/attachment_journal.h"
#include "converter/output/file_time.h"
#include "converter/cfb/input_file.h"
#include "converter/msg/message.h"
#include "converter/document/message_document.h"
#include "converter/document/name_fields.h"
#include "converter/name_pattern.h"
#include "converter/output/output_file.h"
#include "converter/base/output_journal.h"
#include "converter/document/picture_attachments.h"

namespace quorlin {

std::vector<std::uint8_t> ConvertMessage(std::span<const std::uint8_t> msg_bytes,
                                         const ConversionOptions& options) {
  std::unique_ptr<Message> message = Message::Open(msg_bytes);
  // Attachments are not saved: the document alone is made, in memory.
  ConversionOptions document_only = options;
  document_only.attachments = false;
  AttachmentJournal journal;
  PreparedDocument prepared = PrepareDocument(*message, {}, document_only, journal);
  std::vector<std::uint8_t> document;
  VectorSink sink(document);
  prepared.content.WriteTo(sink);
  return document;
}

namespace {

using serve_protocol::Result;

ConversionResult Failure(ConversionStatus status, serve_protocol::Result code, std::string message) {
  ConversionResult result;
  result.status = status;
  result.result = code;
  result.message = std::move(message);
  return result;
}

// Runs one request on a message and turns the converter's failures into its result.
template <typename Work>
ConversionResult Guarded(Work work) {
  try {
    return work();
  } catch (const NotAMessageError& error) {
    return Failure(ConversionStatus::kFormatError, Result::kNotAMessage, error.what());
  } catch (const FormatError& error) {
    return Failure(ConversionStatus::kFormatError, Result::kDamaged, error.what());
  } catch (const DecodeError& error) {
    return Failure(ConversionStatus::kDecodeError, Result::kDamaged, error.what());
  } catch (const PropertyError& error) {
    return Failure(ConversionStatus::kPropertyError, Result::kDamaged, error.what());
  } catch (const UnreadableError& error) {
    return Failure(ConversionStatus::kIoError, Result::kUnreadable, error.what());
  } catch (const IoError& error) {
    return Failure(ConversionStatus::kIoError, Result::kUnwritable, error.what());
  } catch (const std::bad_alloc&) {
    return Failure(ConversionStatus::kInternalError, Result::kOutOfMemory, "out of memory");
  } catch (const std::exception& error) {
    return Failure(ConversionStatus::kInternalError, Result::kInternal, error.what());
  }
}

}  // namespace

ConversionResult ConvertFile(const std::filesystem::path& input,
                             const std::filesystem::path& output,
                             const ConversionOptions& options) {
  return Guarded([&]() -> ConversionResult {
    if (IsSameFile(input, output))
      throw IoError("the output file \"" + Utf8Of(output) + "\" is the input file itself");
    auto in = std::make_unique<InputFile>(input);
    auto message = Message::Open(in->bytes());
    DocumentFacts facts = ReadDocumentFacts(*message);
    std::optional<std::int64_t> date;
    if (options.file_dates) date = facts.sent;
    const std::filesystem::path document = options.replace ? output : FreeDocumentPath(output);
    AttachmentJournal journal;
    BeginOutputJournal();
    try {
      // Once the body is read, the input's pages read so far go: a body made of HTML or text
      // is then held once, as its copy (a rich-text body is read again as it is decoded).
      PreparedDocument prepared =
          PrepareDocument(*message, document, options, journal, [&in] { in->ReleasePages(); });
      // A rich-text body is decoded straight from the input into the output, so the input
      // stays open while it is written; a document built from text is done with it. The
      // body's pictures are read from the message's attachments as the body is written.
      if (!prepared.pictures) {
        message.reset();
        if (!prepared.content.rtf) in.reset();
      }
      const auto produce = [&prepared](ByteSink& sink) { prepared.content.WriteTo(sink); };
      if (options.replace)
        WriteFileAtomically(document, produce);
      else if (!WriteNewFile(document, produce))
        throw IoError("cannot write output file \"" + Utf8Of(document) + "\": another file appeared under its name");
      if (date) SetModificationTime(document, *date);
      ConversionResult result;
      result.attachment_files = prepared.saved.files;
      result.embedded_messages = prepared.saved.messages;
      if (document != output) result.document = document;
      result.paper = options.paper;
      result.described = journal.Describe(document, std::move(facts));
      EndOutputJournal();
      return result;
    } catch (...) {
      // The journal takes back what was made, each only while it is still what was made.
      RemoveJournaledOutput();
      throw;
    }
  });
}

ConversionResult NameFile(const std::filesystem::path& input, std::string_view pattern, std::string& stem) {
  return Guarded([&]() -> ConversionResult {
    const InputFile in(input);
    const std::unique_ptr<Message> message = Message::Open(in.bytes());
    stem = PatternStem(pattern, ReadNameFields(*message), Utf8Of(input.stem()));
    return {};
  });
}

}  // namespace quorlin
