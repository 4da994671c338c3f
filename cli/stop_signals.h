// Ctrl-C (SIGINT), SIGTERM and SIGHUP (the terminal closed) during a command-line run: instead of ending the program at
// once, a signal makes a descriptor readable, so that the run stops starting new work,
// writes its report and removes the converter before it exits with 128 + the signal.
// While it is installed, a broken pipe to a converter is an error return, not a signal.
#pragma once

class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Readable once a stop signal has arrived; -1 when the handlers could not be set up.
  int Descriptor() const;
  // The first stop signal that arrived, 0 for none.
  int Received() const;
};
