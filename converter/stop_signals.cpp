// The handler calls only what is safe in a signal handler: the journal's removal and the
// temporary file's (both only system calls), then the signal's default action again.
#include "converter/stop_signals.h"

#include <csignal>

#include "converter/base/output_journal.h"
#include "converter/base/unfinished_output.h"

namespace quorlin {
namespace {

extern "C" void OnStop(int signal) {
  RemoveJournaledOutput();
  RemoveUnfinishedOutput();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void InstallStopHandlers() {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigfillset(&action.sa_mask);  // one stop at a time
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace quorlin
