// One program started in a process group of its own, so that it and everything it starts
// (LibreOffice's launcher and office process) can be ended together at once, and a
// terminal's Ctrl-C reaches none of them: the main program decides when they end.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace lorvane_pdf {

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() { KillGroup(); }

  // Starts arguments[0] (a path) with the arguments. `environment` holds "NAME=value"
  // entries that replace or add to this program's own. `memoryLimit` caps the address
  // space of the group's every process (bytes; 0 for none). With `pipes`, standard input
  // and output are pipes to this program (Input(), Output()); otherwise /dev/null, as
  // standard error always is. Throws std::runtime_error with the system's reason when it
  // cannot start.
  void Start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
             std::uint64_t memoryLimit, bool pipes = false);

  bool Running() const { return pid_ > 0; }
  pid_t Group() const { return pid_; }
  int Input() const { return input_; }
  int Output() const { return output_; }
  void CloseInput();

  // Waits up to `limit` for the program itself to end: its wait status, or -1 when it
  // has not ended (it then still runs).
  int WaitForExit(std::chrono::milliseconds limit);

  // Sends SIGKILL to every process of the group. Only a signal: safe while another thread
  // waits on the program's output (that output then ends).
  void SignalGroup() const;

  // Ends every process of the group, waits for the program itself and (for a few seconds
  // at most) for the rest of the group to be gone. Says how the program ended when it had
  // ended on its own before ("ended by signal 11 (Segmentation fault)"), else empty.
  std::string KillGroup();

  // "ended by signal 11 (Segmentation fault)", "stopped with status 3".
  static std::string Describe(int status);

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
};

}  // namespace lorvane_pdf
