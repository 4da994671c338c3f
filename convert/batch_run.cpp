// The batch run's loop: one poll over every converter's answer pipe and the stop descriptor,
// with the earliest running job's deadline as the poll's time-out.
#include "convert/batch_run.h"

#include <poll.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "convert/converter_worker.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Slot {
  ConverterWorker worker;
  std::optional<std::size_t> job;  // the job in hand
  bool unusable = false;           // its converter could not be started
  Clock::time_point deadline;
};

std::string Encoded(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString Reason(const std::string& word, const std::string& reason) {
  if (reason.empty()) return QStringLiteral("the converter gave no reason (%1)").arg(QString::fromStdString(word));
  return QString::fromLocal8Bit(reason.data(), static_cast<qsizetype>(reason.size()));
}

class Batch {
 public:
  Batch(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
        const std::function<void(std::size_t, const BatchOutcome&)>& done)
      : jobs_(jobs), settings_(settings), done_(done), options_(settings.headerBlock ? "header" : "") {
    const std::size_t count = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(settings.workers, 1)), 1,
                                                      std::max<std::size_t>(jobs.size(), 1));
    for (std::size_t i = 0; i < count; ++i) slots_.push_back(std::make_unique<Slot>());
  }

  BatchSummary Run() {
    while (true) {
      if (!summary_.stopped && summary_.startFailure.isEmpty()) HandOut();
      if (Busy() == 0) break;
      Wait();
    }
    for (auto& slot : slots_) slot->worker.Finish(1000);
    return summary_;
  }

 private:
  std::size_t Busy() const {
    return static_cast<std::size_t>(std::count_if(slots_.begin(), slots_.end(), [](const auto& s) { return s->job.has_value(); }));
  }

  void Finish(Slot& slot, bool converted, const QString& reason) {
    const std::size_t index = *slot.job;
    slot.job.reset();
    ++summary_.finished;
    done_(index, BatchOutcome{converted, reason});
  }

  // Gives each idle converter the next job, starting converters as needed.
  void HandOut() {
    for (auto& slot : slots_) {
      if (next_ >= jobs_.size()) return;
      if (slot->job || slot->unusable) continue;
      if (!slot->worker.Running()) {
        std::string failure;
        if (!slot->worker.Start(Encoded(settings_.converterPath), failure)) {
          // The others go on with fewer converters; when none is left, a converter that
          // cannot start will not start for the next job either.
          slot->unusable = true;
          if (std::all_of(slots_.begin(), slots_.end(), [](const auto& s) { return s->unusable; }))
            summary_.startFailure = QString::fromLocal8Bit(failure.c_str());
          continue;
        }
      }
      const BatchJob& job = jobs_[next_];
      slot->job = next_++;
      slot->deadline = Clock::now() + std::chrono::milliseconds(settings_.timeoutMs);
      if (!slot->worker.Send(options_, Encoded(job.source), Encoded(job.output))) {
        const std::string ended = slot->worker.Kill();
        Finish(*slot, false, QString::fromStdString(ended.empty() ? "the converter stopped taking work" : ended));
      }
    }
  }

  void Wait() {
    std::vector<pollfd> watched;
    std::vector<Slot*> owners;
    Clock::time_point earliest = Clock::time_point::max();
    for (auto& slot : slots_) {
      if (!slot->job) continue;
      watched.push_back({slot->worker.AnswerDescriptor(), POLLIN, 0});
      owners.push_back(slot.get());
      earliest = std::min(earliest, slot->deadline);
    }
    if (settings_.stopDescriptor >= 0 && !summary_.stopped) watched.push_back({settings_.stopDescriptor, POLLIN, 0});
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(earliest - Clock::now()).count();
    const int timeout = static_cast<int>(std::clamp<long long>(left + 1, 0, 60000));
    const int ready = ::poll(watched.data(), watched.size(), timeout);
    if (ready < 0 && errno != EINTR) return;
    if (settings_.stopDescriptor >= 0 && !summary_.stopped && watched.back().revents != 0) BeginStop();
    for (std::size_t i = 0; i < owners.size(); ++i) {
      if (watched[i].revents != 0) Collect(*owners[i]);
    }
    const Clock::time_point now = Clock::now();
    for (auto& slot : slots_) {
      if (slot->job && now >= slot->deadline) {
        slot->worker.Kill();
        Finish(*slot, false, stopping_ ? QStringLiteral("interrupted")
                                       : QStringLiteral("the conversion took longer than %1 seconds")
                                             .arg(settings_.timeoutMs / 1000.0));
      }
    }
  }

  void Collect(Slot& slot) {
    std::string word;
    std::string reason;
    switch (slot.worker.TakeAnswer(word, reason)) {
      case ConverterWorker::Read::kNothingYet:
        return;
      case ConverterWorker::Read::kAnswer:
        Finish(slot, word == "ok", word == "ok" ? QString() : Reason(word, reason));
        return;
      case ConverterWorker::Read::kEnded: {
        const std::string ended = slot.worker.Kill();
        Finish(slot, false, QString::fromStdString(ended.empty() ? "the converter broke off the exchange" : ended));
        return;
      }
    }
  }

  // No new work from now on; conversions under way get the grace period to finish.
  void BeginStop() {
    summary_.stopped = true;
    stopping_ = true;
    const Clock::time_point limit = Clock::now() + std::chrono::milliseconds(settings_.stopGraceMs);
    for (auto& slot : slots_) slot->deadline = std::min(slot->deadline, limit);
  }

  const std::vector<BatchJob>& jobs_;
  const BatchSettings& settings_;
  const std::function<void(std::size_t, const BatchOutcome&)>& done_;
  const std::string options_;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::size_t next_ = 0;
  bool stopping_ = false;
  BatchSummary summary_;
};

}  // namespace

BatchSummary RunBatch(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                      const std::function<void(std::size_t, const BatchOutcome&)>& done) {
  if (jobs.empty()) return {};
  Batch batch(jobs, settings, done);
  return batch.Run();
}
