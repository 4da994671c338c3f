// Quorlin: converts one saved message into an RTF document.
// `Quorlin [options] <msg_file> <output_file>`: parses the command line, runs the
// conversion, prints the usage line or a one-line reason, and sets the exit status.
// `Quorlin --serve` converts many messages in turn over its standard streams (serve.h).
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "converter/base/path_text.h"
#include "converter/conversion.h"
#include "converter/program_arguments.h"
#include "converter/serve.h"
#include "converter/stop_signals.h"

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
constexpr const char* kUsage = "Usage: Quorlin.exe <msg_file> <output_file>\n";

}  // namespace

int main(int argc, char** argv_bytes) {
  quorlin::InstallStopHandlers();
  quorlin::UseBinaryStandardStreams();
  const std::vector<std::string> argv = quorlin::ProgramArguments(argc, argv_bytes);
  argc = static_cast<int>(argv.size());
  if (argc == 2 && argv[1] == "--serve") return quorlin::Serve(stdin, stdout);
  // Options (conversion_options.h) come first, in any order; "--" ends them before a path
  // that begins with "--".
  std::vector<std::string_view> flags;
  int first = 1;
  while (first < argc && argv[first].starts_with("--")) {
    if (argv[first++] == "--") break;
    flags.emplace_back(argv[first - 1]);
  }
  quorlin::ConversionOptions options;
  const std::string refused = quorlin::ReadConversionOptions(flags, quorlin::OptionSpelling::kFlag, options);
  if (!refused.empty()) {
    std::fprintf(stderr, "%s\noptions:\n%s", refused.c_str(), quorlin::ConversionOptionsHelp().c_str());
    std::fputs(kUsage, stdout);
    return kExitUsage;
  }
  if (argc - first < 2) {
    std::fputs(kUsage, stdout);
    return kExitUsage;
  }
  options.paper = quorlin::UsersPaperSize();
  quorlin::ConversionResult result =
      quorlin::ConvertFile(quorlin::PathFromUtf8(argv[first]), quorlin::PathFromUtf8(argv[first + 1]), options);
  if (!result.ok()) std::fprintf(stderr, "%s\n", result.message.c_str());
  // A document that took a numbered name says where it went, as the serve answer does.
  if (result.ok() && !result.document.empty()) std::printf("document %s\n", quorlin::Utf8Of(result.document).c_str());
  return ExitCode(result.status);
}
