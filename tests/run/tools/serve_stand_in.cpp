// A stand-in for the long-lived converter in the run's and the command's tests: answers
// requests like `Quorlin --serve [--journal PATH]`, but hangs on a message whose name holds
// "hang" (after starting its document as the converter does, in a hidden
// ".<document>.<hex>.tmp" beside it entered in its journal, and creating
// "<message>.started" holding its process id, so that a test knows it is under way and can
// look for the process afterwards) and crashes on one whose name holds "crash", also with
// its temporary file begun. A name request (which writes nothing) hangs
// or crashes the same way, without a temporary file. Every conversion it begins leaves
// "<message>.begun", so that a test can tell which messages a converter ever began; one
// whose name holds "slow" takes 40 ms before it is converted.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "converter/base/output_journal.h"
#include "converter/conversion.h"
#include "converter/serve.h"

int main(int argc, char** argv) {
  if (argc == 4) quorlin::KeepOutputJournalAt(argv[3]);
  quorlin::ServeRequest request;
  while (quorlin::ReadServeRequest(stdin, request)) {
    const bool hang = request.input.find("hang") != std::string::npos;
    const bool crash = request.input.find("crash") != std::string::npos;
    const bool naming = request.options == quorlin::serve_protocol::kNameRequest;
    if (!naming) std::ofstream(request.input + ".begun") << ::getpid();
    if (request.input.find("slow") != std::string::npos)
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    if ((hang || crash) && !naming) {
      const std::size_t slash = request.output.rfind('/') + 1;
      const std::string name = request.output.substr(slash);
      const std::string temporary = request.output.substr(0, slash) + "." + name + ".00c0ffee12345678.tmp";
      quorlin::BeginOutputJournal();
      const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd >= 0) {
        quorlin::JournalTemporary(temporary, quorlin::IdentityOfOpenFile(fd));
        const ssize_t written = ::write(fd, "half a document", 15);
        (void)written;
        ::close(fd);
      }
    }
    if (hang) {
      // Whole or not at all, so a test never reads the marker of a stand-in killed while
      // writing it.
      std::ofstream(request.input + ".started.part") << ::getpid();
      std::rename((request.input + ".started.part").c_str(), (request.input + ".started").c_str());
      std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (crash) std::abort();
    if (naming) {
      std::string stem;
      const quorlin::ConversionResult result = quorlin::NameFile(request.input, request.output, stem);
      quorlin::WriteServeResponse(stdout, quorlin::ResultWord(result), result.ok() ? stem : result.message);
      continue;
    }
    const quorlin::ConversionResult result = quorlin::ConvertFile(request.input, request.output);
    quorlin::WriteServeResponse(stdout, quorlin::ResultWord(result), result.message);
  }
  return 0;
}
