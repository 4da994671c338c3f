// `lorvane convert`: the conversion of the window's "Start Converting" as a command for
// scripts and servers, with no window and no display. It gathers the messages (folders are
// scanned like "Add All MSG File(s) In Folder"), names the documents like the window, runs
// a batch of long-lived converters in parallel, prints progress and failures, writes the
// report and returns the exit status.
#pragma once

#include <QByteArray>
#include <QStringList>
#include <cstdio>

namespace exit_status {
constexpr int kAllConverted = 0;
constexpr int kSomeFailed = 1;
constexpr int kUsage = 2;  // a usage or set-up error; nothing was converted
constexpr int kNoMessage = 3;  // the paths hold no message (an empty folder, no file of the extension)
}  // namespace exit_status

struct CommandEnvironment {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  bool errIsTerminal = false;
  int cores = 1;
  // The converter placed for the run; empty for the one this program carries.
  QByteArray converterImage;
};

// The environment of the real command: the standard streams and the machine's cores.
CommandEnvironment ConsoleEnvironment();

// Runs the command with the arguments that follow "convert". Returns the exit status:
// exit_status values, or 128 + the signal's number after Ctrl-C, SIGTERM or SIGHUP.
int RunConvertCommand(const QStringList& arguments, const CommandEnvironment& environment);
