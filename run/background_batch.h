// A batch run driven from the window: the batch engine works on a thread of its own while
// the window's event loop goes on, so the window stays responsive and Stop is heard at
// once. What the engine reports comes back to the window's thread: each message as its
// converter begins it, and each outcome in the order of the list, whatever order the
// converters finish in. A failure holds the run (no new message is sent to a converter)
// until the window has shown it, unless failure boxes were turned off.
#pragma once

#include <QObject>
#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "run/batch_run.h"

class BackgroundBatch {
 public:
  struct Callbacks {
    std::function<void(std::size_t index)> begun;
    // Called in list order; may show a modal box (the run is held meanwhile).
    std::function<void(std::size_t index, const BatchOutcome& outcome)> outcome;
    // About ten times a second while the run goes on.
    std::function<void()> tick;
  };

  BackgroundBatch(std::vector<BatchJob> jobs, BatchSettings settings);
  ~BackgroundBatch();
  BackgroundBatch(const BackgroundBatch&) = delete;
  BackgroundBatch& operator=(const BackgroundBatch&) = delete;

  // Runs every job, handing control to the event loop until the engine has ended and
  // every outcome has been passed on.
  BatchSummary Run(const Callbacks& callbacks);

  // Starts no new message; those under way get the grace period, then are ended.
  void Stop();
  bool StopRequested() const { return stopRequested_; }
  // Stops and waits for the engine to end (its converters ended, none left running);
  // for the program's end, which does not return to the event loop.
  void StopAndWait();
  // Failures no longer hold the run.
  void BoxesOff() { boxesOff_ = true; }

 private:
  struct Finished {
    std::size_t index;
    BatchOutcome outcome;
    bool held;
  };
  void Engine();
  void Arrived(Finished finished);
  void PassOnInOrder();
  void Wake();

  std::vector<BatchJob> jobs_;
  BatchSettings settings_;
  Callbacks callbacks_;
  QObject context_;  // queued calls into the window's thread go to this object
  std::thread engine_;
  int stopPipe_[2] = {-1, -1};
  int wakePipe_[2] = {-1, -1};
  std::atomic<int> hold_{0};
  std::atomic<bool> boxesOff_{false};
  std::atomic<bool> stopRequested_{false};
  std::vector<std::optional<Finished>> arrived_;
  std::size_t next_ = 0;       // the next index to pass on
  bool passingOn_ = false;     // a callback (a box) is under way
  bool engineEnded_ = false;
  BatchSummary summary_;
  std::function<void()> quit_;
};
