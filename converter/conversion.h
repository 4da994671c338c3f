// One conversion: a .msg file in, its document out. The in-memory core is shared by the
// program, the fuzz target and the benchmarks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

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
  std::string message;  // one line; empty on success
  // With attachments saved: the files kept and the embedded messages converted into
  // documents, those inside embedded messages included.
  int attachment_files = 0;
  int embedded_messages = 0;
  bool ok() const { return status == ConversionStatus::kSuccess; }
};

// What the user chose for the documents. The defaults give the documents as they have
// always been.
struct ConversionOptions {
  bool header_block = false;  // open the document with subject, sender, date, recipients
  bool file_dates = false;    // date the document like its message (sent, else received)
  bool pictures = false;      // show the pictures the body places, from the attachments
  // Save the attachments the sender added into a folder beside the document ("Report.doc"
  // gets "Report attachments"), embedded messages as documents of their own.
  bool attachments = false;
};

// The output file's bytes for the message in `msg_bytes`; attachments are not saved.
// Throws ConvertError.
std::vector<std::uint8_t> ConvertMessage(std::span<const std::uint8_t> msg_bytes,
                                         const ConversionOptions& options = {});

// Converts `input` into `output`. The output is written only when the whole conversion
// succeeded, and never over the input itself; on failure nothing at `output` changes and
// no attachment of it is left behind.
ConversionResult ConvertFile(const std::filesystem::path& input,
                             const std::filesystem::path& output,
                             const ConversionOptions& options = {});

}  // namespace quorlin
