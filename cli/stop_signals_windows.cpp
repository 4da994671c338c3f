// The stop signals in a Windows console: Ctrl-C, Ctrl-Break, the console window closed, the
// user logging off or the machine shutting down reach the console's control handler, on a
// thread of its own; it writes into the stop pipe, which the run watches. Ctrl-C and
// Ctrl-Break count as SIGINT, the others as SIGTERM, so the command ends with 130 or 143 as
// on Linux. Windows ends the process a few seconds after a closing console's handler
// returns: the handler gives the run that long to stop and take back what it began, and
// the job object the converters run in ends any converter still there with the program.
#include "cli/stop_signals.h"

#include <windows.h>

#include <atomic>
#include <csignal>

#include "platform/descriptor_wait.h"

namespace {

int g_pipe[2] = {-1, -1};
std::atomic<int> g_received{0};

BOOL WINAPI OnControl(DWORD event) {
  const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
  int none = 0;
  g_received.compare_exchange_strong(none, signal);
  WakeWith(g_pipe[1], static_cast<char>(signal));
  // The process ends when this returns from a closing console: the run's stop takes at
  // most its grace period and the converters' removal.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) ::Sleep(4000);
  return TRUE;
}

}  // namespace

StopSignals::StopSignals() {
  g_received = 0;
  MakeWakePipe(g_pipe);
  ::SetConsoleCtrlHandler(OnControl, TRUE);
}

StopSignals::~StopSignals() {
  ::SetConsoleCtrlHandler(OnControl, FALSE);
  CloseWakePipe(g_pipe);
}

int StopSignals::Descriptor() const { return g_pipe[0]; }

int StopSignals::Received() const { return g_received; }
