// Quorlin: converts one saved message into an RTF document.
// `Quorlin [options] <msg_file> <output_file> [options]`: parses the command line, runs the
// conversion, prints the usage line or a one-line reason, and sets the exit status.
// `Quorlin --serve [--journal PATH]` converts many messages in turn over its standard
// streams (serve.h), keeping each conversion's journal in PATH (output_journal.h).
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "converter/base/output_journal.h"
#include "converter/base/path_text.h"
#include "converter/conversion.h"
#include "converter/program_arguments.h"
#include "converter/serve.h"
#include "converter/stop_signals.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

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
  namespace protocol = quorlin::serve_protocol;
  if (argc >= 2 && argv[1] == protocol::kServeFlag) {
#ifdef __linux__
    // A main program that is gone (killed outright) stops this converter as a stop would:
    // what the conversion under way had made is removed and nothing runs on.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    // `--serve --journal PATH`: the journal in the file the main program names.
    if (argc == 4 && argv[2] == protocol::kJournalFlag) {
      try {
        quorlin::KeepOutputJournalAt(quorlin::PathFromUtf8(argv[3]));
      } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return kExitUsage;
      }
    } else if (argc != 2) {
      std::fputs(kUsage, stdout);
      return kExitUsage;
    }
    return quorlin::Serve(stdin, stdout);
  }
  // Options (conversion_options.h) come first, in any order; "--" ends them before a path
  // that begins with "--". Options after the two paths count as well; any other further
  // argument is ignored.
  std::vector<std::string_view> flags;
  int first = 1;
  while (first < argc && argv[first].starts_with("--")) {
    if (argv[first++] == "--") break;
    flags.emplace_back(argv[first - 1]);
  }
  for (int later = first + 2; later < argc; ++later) {
    if (argv[later].starts_with("--")) flags.emplace_back(argv[later]);
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
