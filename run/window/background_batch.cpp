// The engine's thread, the queued calls back into the window's thread and the in-order
// hand-over of outcomes.
#include "run/window/background_batch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include "platform/descriptor_wait.h"

BackgroundBatch::BackgroundBatch(std::vector<BatchJob> jobs, BatchSettings settings)
    : jobs_(std::move(jobs)), settings_(std::move(settings)), arrived_(jobs_.size()) {
  MakeWakePipe(stopPipe_);
  settings_.stopDescriptor = stopPipe_[0];
}

BackgroundBatch::~BackgroundBatch() {
  StopAndWait();
  CloseWakePipe(stopPipe_);
}

void BackgroundBatch::Stop() {
  if (stopRequested_.exchange(true)) return;
  WakeWith(stopPipe_[1], 1);
}

void BackgroundBatch::StopAndWait() {
  if (!engine_.joinable()) return;
  Stop();
  engine_.join();
}

void BackgroundBatch::Engine() {
  const BatchSummary summary = RunBatch(
      jobs_, settings_,
      [this](std::size_t index, const BatchOutcome& outcome) {
        QMetaObject::invokeMethod(
            &context_, [this, index, outcome] { Arrived(index, outcome); }, Qt::QueuedConnection);
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

void BackgroundBatch::Arrived(std::size_t index, BatchOutcome outcome) {
  if (callbacks_.arrived) callbacks_.arrived(index, outcome);
  arrived_[index] = std::move(outcome);
  PassOnInOrder();
}

void BackgroundBatch::PassOnInOrder() {
  // A box shown by the callback runs the event loop: outcomes that arrive meanwhile are
  // counted at once and wait here for their turn.
  if (passingOn_) return;
  passingOn_ = true;
  while (next_ < arrived_.size() && arrived_[next_]) {
    const std::size_t index = next_++;
    const BatchOutcome outcome = *arrived_[index];
    if (callbacks_.inOrder) callbacks_.inOrder(index, outcome);
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
  QCoreApplication::sendPostedEvents(&context_);
  PassOnInOrder();
  return summary_;
}
