// One conversion: a .msg file in, its document out. ConvertMessage makes the document in
// memory by the same path that ConvertFile writes it to a file (the fuzz target, the
// benchmarks and the in-process tests use it).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "converter/options/conversion_options.h"
#include "converter/output/attachment_journal.h"
#include "converter/serve_protocol.h"

namespace quorlin {

enum class ConversionStatus {
  kSuccess,
  kFormatError,    // not a message, or a damaged file
  kDecodeError,    // the compressed rich-text body cannot be decoded
  kPropertyError,  // a property needed while loading cannot be read
  kIoError,        // the input cannot be read or the output cannot be written
  kInternalError,  // out of memory or another unexpected failure
};

struct ConversionResult {
  ConversionStatus status = ConversionStatus::kSuccess;
  // The same outcome as the long-lived mode's result code, finer than `status`: a file
  // that is no message apart from a damaged one, an input unreadable apart from an output
  // unwritable.
  serve_protocol::Result result = serve_protocol::Result::kOk;
  std::string message;  // one line; empty on success
  // With attachments saved: the files kept and the embedded messages converted into
  // documents, those inside embedded messages included.
  int attachment_files = 0;
  int embedded_messages = 0;
  // Where the document was written when that is not the output path asked for (a file
  // was there and replacing it was not asked for); empty otherwise.
  std::filesystem::path document;
  // What a PDF of the document is described by: the document with its message's facts and
  // what was written for it, each attachment file and embedded message's document under
  // the document it belongs to.
  DescribedDocument described;
  PaperSize paper;  // the paper the documents were laid out on
  bool ok() const { return status == ConversionStatus::kSuccess; }
};

// The output file's bytes for the message in `msg_bytes`; attachments are not saved.
// Throws ConvertError.
std::vector<std::uint8_t> ConvertMessage(std::span<const std::uint8_t> msg_bytes,
                                         const ConversionOptions& options = {});

// The name `pattern` gives the document of the message at `input` (PatternStem, without
// ".doc"), into `stem`; a message that cannot be read fails as ConvertFile fails for it.
ConversionResult NameFile(const std::filesystem::path& input, std::string_view pattern, std::string& stem);

// Converts `input` into `output`. The output is written only when the whole conversion
// succeeded, and never over the input itself; on failure nothing at `output` changes and
// nothing of it is left behind: no attachment, folder, embedded document or temporary
// file (output_journal.h). A file already at `output` is replaced only with
// options.replace; otherwise the document takes the first free numbered name, and its
// attachments the folder that belongs to that name.
ConversionResult ConvertFile(const std::filesystem::path& input,
                             const std::filesystem::path& output,
                             const ConversionOptions& options = {});


}  // namespace quorlin
