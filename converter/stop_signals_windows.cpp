// Windows has no stop signals; the console's control handler stands for them. It runs on a
// thread of its own when the console gets Ctrl-C or Ctrl-Break or is closed, removes what
// the conversion under way made, and ends the process as an interrupted one. A converter
// ended outright (TerminateProcess, its job object closed) leaves its journal to the main
// program, as a killed one does elsewhere.
#include "converter/stop_signals.h"

#include <windows.h>

#include "converter/base/output_journal.h"
#include "converter/base/unfinished_output.h"

namespace quorlin {
namespace {

constexpr UINT kInterrupted = 0xC000013A;  // STATUS_CONTROL_C_EXIT

BOOL WINAPI OnControl(DWORD) {
  RemoveJournaledOutput();
  RemoveUnfinishedOutput();
  ::ExitProcess(kInterrupted);
  return TRUE;
}

}  // namespace

void InstallStopHandlers() { ::SetConsoleCtrlHandler(OnControl, TRUE); }

}  // namespace quorlin
