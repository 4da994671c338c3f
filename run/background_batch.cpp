// The engine's thread, the queued calls back into the window's thread, the in-order
// hand-over of outcomes and the hold while a failure is shown.
#include "run/background_batch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

namespace {

void ClosePipe(int (&pipe)[2]) {
  for (int& fd : pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void Poke(int fd) {
  const char byte = 1;
  if (fd >= 0) static_cast<void>(::write(fd, &byte, 1));
}

}  // namespace

BackgroundBatch::BackgroundBatch(std::vector<BatchJob> jobs, BatchSettings settings)
    : jobs_(std::move(jobs)), settings_(std::move(settings)), arrived_(jobs_.size()) {
  if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) stopPipe_[0] = stopPipe_[1] = -1;
  if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) wakePipe_[0] = wakePipe_[1] = -1;
  settings_.stopDescriptor = stopPipe_[0];
  settings_.wakeDescriptor = wakePipe_[0];
  settings_.hold = &hold_;
}

BackgroundBatch::~BackgroundBatch() {
  StopAndWait();
  ClosePipe(stopPipe_);
  ClosePipe(wakePipe_);
}

void BackgroundBatch::Stop() {
  if (stopRequested_.exchange(true)) return;
  Poke(stopPipe_[1]);
}

void BackgroundBatch::StopAndWait() {
  if (!engine_.joinable()) return;
  Stop();
  engine_.join();
}

void BackgroundBatch::Wake() { Poke(wakePipe_[1]); }

void BackgroundBatch::Engine() {
  const BatchSummary summary = RunBatch(
      jobs_, settings_,
      [this](std::size_t index, const BatchOutcome& outcome) {
        // Held from here, in the engine's thread, so no new message goes out before the
        // window has shown this failure.
        const bool held = !outcome.converted && !boxesOff_ && !stopRequested_;
        if (held) ++hold_;
        QMetaObject::invokeMethod(
            &context_, [this, finished = Finished{index, outcome, held}] { Arrived(finished); }, Qt::QueuedConnection);
      },
      [this](std::size_t index) {
        QMetaObject::invokeMethod(
            &context_, [this, index] { if (callbacks_.begun) callbacks_.begun(index); }, Qt::QueuedConnection);
      });
  QMetaObject::invokeMethod(
      &context_,
      [this, summary] {
        summary_ = summary;
        engineEnded_ = true;
        if (quit_) quit_();
      },
      Qt::QueuedConnection);
}

void BackgroundBatch::Arrived(Finished finished) {
  const std::size_t index = finished.index;
  arrived_[index] = std::move(finished);
  PassOnInOrder();
}

void BackgroundBatch::PassOnInOrder() {
  // A box shown by the callback runs the event loop: outcomes that arrive meanwhile wait
  // for the loop below.
  if (passingOn_) return;
  passingOn_ = true;
  while (next_ < arrived_.size() && arrived_[next_]) {
    const Finished finished = *arrived_[next_];
    ++next_;
    if (callbacks_.outcome) callbacks_.outcome(finished.index, finished.outcome);
    if (finished.held && --hold_ == 0) Wake();
  }
  passingOn_ = false;
}

BatchSummary BackgroundBatch::Run(const Callbacks& callbacks) {
  callbacks_ = callbacks;
  QEventLoop loop;
  quit_ = [&loop] { loop.quit(); };
  QTimer ticker;
  ticker.setInterval(100);
  QObject::connect(&ticker, &QTimer::timeout, &context_, [this] {
    if (callbacks_.tick) callbacks_.tick();
  });
  ticker.start();
  engine_ = std::thread([this] { Engine(); });
  if (!engineEnded_) loop.exec();
  ticker.stop();
  quit_ = nullptr;
  if (engine_.joinable()) engine_.join();
  // Everything the engine reported was queued before its end.
  PassOnInOrder();
  return summary_;
}
