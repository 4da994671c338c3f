// The stop signals' handler writes the signal's number into a pipe (the only thing a
// handler may safely do here); the run polls the pipe's other end.
#include "cli/stop_signals.h"

#include <signal.h>

#include <cerrno>

#include "platform/descriptor_wait.h"

namespace {

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_received = 0;
struct sigaction g_oldInterrupt;
struct sigaction g_oldTerminate;
struct sigaction g_oldHangUp;
struct sigaction g_oldPipe;

void OnStopSignal(int signal) {
  if (g_received == 0) g_received = signal;
  WakeWith(g_pipe[1], static_cast<char>(signal));
}

}  // namespace

StopSignals::StopSignals() {
  g_received = 0;
  MakeWakePipe(g_pipe);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &g_oldInterrupt);
  sigaction(SIGTERM, &action, &g_oldTerminate);
  sigaction(SIGHUP, &action, &g_oldHangUp);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &g_oldPipe);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &g_oldInterrupt, nullptr);
  sigaction(SIGTERM, &g_oldTerminate, nullptr);
  sigaction(SIGHUP, &g_oldHangUp, nullptr);
  sigaction(SIGPIPE, &g_oldPipe, nullptr);
  CloseWakePipe(g_pipe);
}

int StopSignals::Descriptor() const { return g_pipe[0]; }

int StopSignals::Received() const { return g_received; }
