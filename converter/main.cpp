// Quorlin: converts one saved message into an RTF document. Parses the command line,
// runs the conversion, prints the usage line or a one-line reason, and sets the exit status.
// `Quorlin --serve` converts many messages in turn over its standard streams (serve.h).
#include <cstdio>
#include <cstring>

#include "converter/conversion.h"
#include "converter/serve.h"

namespace {

// Exit statuses: 0 only when an output file was written.
int ExitCode(quorlin::ConversionStatus status) {
  switch (status) {
    case quorlin::ConversionStatus::kSuccess: return 0;
    case quorlin::ConversionStatus::kFormatError: return 2;
    case quorlin::ConversionStatus::kDecodeError: return 3;
    case quorlin::ConversionStatus::kPropertyError: return 4;
    case quorlin::ConversionStatus::kIoError: return 5;
    case quorlin::ConversionStatus::kInternalError: return 6;
  }
  return 6;
}

constexpr int kExitUsage = 1;

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--serve") == 0) return quorlin::Serve(stdin, stdout);
  // Before the two paths: "--header" opens each document with the message's header block,
  // "--pictures" shows the pictures the body places, "--attachments" saves the attachments
  // into a folder beside it.
  quorlin::ConversionOptions options;
  int first = 1;
  for (; first < argc; ++first) {
    if (std::strcmp(argv[first], "--header") == 0)
      options.header_block = true;
    else if (std::strcmp(argv[first], "--pictures") == 0)
      options.pictures = true;
    else if (std::strcmp(argv[first], "--attachments") == 0)
      options.attachments = true;
    else
      break;
  }
  if (argc - first < 2) {
    std::fputs("Usage: Quorlin.exe <msg_file> <output_file>\n", stdout);
    return kExitUsage;
  }
  quorlin::ConversionResult result = quorlin::ConvertFile(argv[first], argv[first + 1], options);
  if (!result.ok()) std::fprintf(stderr, "%s\n", result.message.c_str());
  return ExitCode(result.status);
}
