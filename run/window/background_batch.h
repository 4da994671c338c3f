// A batch run driven from the window: the batch engine works on a thread of its own while
// the window's event loop goes on, so the window stays responsive and Stop is heard at
// once. What the engine reports comes back to the window's thread: each message as its
// converter begins it, each outcome as it arrives (for the counts and the bar), and each
// outcome again in the order of the list (for the failure boxes). A box shown in list order
// never holds the converters: they go on with the list while it is up.
#pragma once

#include <QObject>
#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "run/engine/batch_run.h"

class BackgroundBatch {
 public:
  struct Callbacks {
    std::function<void(std::size_t index)> begun;
    // As each outcome arrives, in any order.
    std::function<void(std::size_t index, const BatchOutcome& outcome)> arrived;
    // Each outcome again, in list order, one at a time; may show a modal box.
    std::function<void(std::size_t index, const BatchOutcome& outcome)> inOrder;
    // About ten times a second while the run goes on.
    std::function<void()> tick;
  };

  BackgroundBatch(std::vector<BatchJob> jobs, BatchSettings settings);
  ~BackgroundBatch();
  BackgroundBatch(const BackgroundBatch&) = delete;
  BackgroundBatch& operator=(const BackgroundBatch&) = delete;

  // Runs every job, handing control to the event loop until the engine has ended and
  // every outcome has been passed on in list order.
  BatchSummary Run(const Callbacks& callbacks);

  // Starts no new message; those under way get the grace period, then are ended.
  void Stop();
  bool StopRequested() const { return stopRequested_; }
  // Stops and waits for the engine to end (its converters ended, none left running);
  // for the program's end, which does not return to the event loop.
  void StopAndWait();

 private:
  void Engine();
  void Arrived(std::size_t index, BatchOutcome outcome);
  void PassOnInOrder();

  std::vector<BatchJob> jobs_;
  BatchSettings settings_;
  Callbacks callbacks_;
  QObject context_;  // queued calls into the window's thread go to this object
  std::thread engine_;
  int stopPipe_[2] = {-1, -1};
  std::atomic<bool> stopRequested_{false};
  std::vector<std::optional<BatchOutcome>> arrived_;
  std::size_t next_ = 0;    // the next index to pass on in list order
  bool passingOn_ = false;  // an in-order callback (a box) is under way
  bool engineEnded_ = false;
  BatchSummary summary_;
  std::function<void()> quit_;
};
