// The batch run's loop: one wait (platform/descriptor_wait.h) over every converter's answer
// pipe, the stop descriptor and the stage after the converters, with the earliest deadline
// of a message under way as its time-out. Each converter holds one request at a time, the one it works on:
// after a stop nothing is left queued at a converter that it could still begin. What
// depends on the kind of request is the requests' (batch_requests.h).
#include "run/engine/batch_run.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/descriptor_wait.h"
#include "platform/native_names.h"
#include "run/engine/batch_requests.h"
#include "run/engine/conversion_journal.h"
#include "run/engine/converter_worker.h"

namespace {

namespace serve_protocol = quorlin::serve_protocol;
using serve_protocol::Result;
using Clock = std::chrono::steady_clock;

struct Slot {
  ConverterWorker worker;
  ConversionJournal journal;  // its converter's, in the run's private folder
  std::optional<std::size_t> job;  // the job under way
  Clock::time_point deadline;      // of that job
  bool unusable = false;           // its converter could not be started
};

QString Reason(const std::string& word, const std::string& reason) {
  if (reason.empty()) return QStringLiteral("the converter gave no reason (%1)").arg(QString::fromStdString(word));
  return NameFromNative(QByteArray::fromStdString(reason));
}

// The outcome an answer gives before the requests have read it: its code, the reason of a
// failure or the detail of an "ok" (a name request's answer is the document's name), and
// the notices. A word no converter sends is the converter's own failure.
BatchOutcome AnswerOutcome(const ConverterWorker::Answer& answer) {
  const Result result = serve_protocol::ResultForWord(answer.word).value_or(Result::kInternal);
  const bool ok = result == Result::kOk;
  BatchOutcome outcome = BatchOutcomeOf(result, ok ? QString() : Reason(answer.word, answer.detail));
  for (const std::string& notice : answer.notices) outcome.notices << NameFromNative(QByteArray::fromStdString(notice));
  if (ok) outcome.detail = QString::fromUtf8(answer.detail.data(), static_cast<qsizetype>(answer.detail.size()));
  return outcome;
}

class Batch {
 public:
  Batch(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
        const std::function<void(std::size_t, const BatchOutcome&)>& done,
        const std::function<void(std::size_t)>& begun)
      : jobs_(jobs), settings_(settings), done_(done), begun_(begun) {
    const std::size_t count = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(settings.workers, 1)), 1,
                                                      std::max<std::size_t>(jobs.size(), 1));
    for (std::size_t i = 0; i < count; ++i) slots_.push_back(std::make_unique<Slot>());
    for (std::size_t i = 0; i < jobs.size(); ++i) waiting_.push_back(i);
  }

  BatchSummary Run() {
    requests_ = MakeBatchRequests(jobs_, settings_, slots_.size());
    OpenJournals();
    if (StopAsked()) BeginStop();
    while (true) {
      const bool ending = summary_.stopped || !summary_.startFailure.isEmpty();
      if (!ending) HandOut();
      if (!Busy()) break;
      Wait();
    }
    for (auto& slot : slots_) {
      slot->worker.Finish(1000);
      slot->journal.Close();
    }
    requests_.reset();
    // Every job gets its one outcome: those never begun are "not started".
    for (const std::size_t index : waiting_) Finish(index, BatchOutcomeOf(Result::kNotStarted, summary_.startFailure));
    waiting_.clear();
    return summary_;
  }

 private:
  // Each converter keeps its journal in a file of the run's private folder (or, without
  // one, of a private folder made for this run), where nobody else can write.
  void OpenJournals() {
    if (!requests_->Journals()) return;
    QString folder = settings_.privateFolder;
    if (folder.isEmpty()) {
      ownFolder_ = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("lorvane-journal-XXXXXX")));
      if (!ownFolder_->isValid()) return;
      folder = ownFolder_->path();
    }
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      std::string failure;
      // A journal that cannot be made leaves the converter its own: what it made is then
      // taken back only by itself, never guessed at by the run.
      slots_[i]->journal.Open(
          NativeText(NativePath(EncodedPath(folder)) / ("journal-" + std::to_string(i + 1))), failure);
    }
  }

  bool Busy() const {
    return std::any_of(slots_.begin(), slots_.end(), [](const auto& s) { return s->job.has_value(); }) ||
           requests_->Pending() > 0;
  }

  bool StopAsked() const {
    if (settings_.stopDescriptor < 0) return false;
    std::vector<bool> ready;
    return WaitForInput({settings_.stopDescriptor}, ready, 0) > 0;
  }

  // The job is under way from now: after a stop no conversion gets past the stop's grace
  // period.
  void Begin(Slot& slot, std::size_t index) {
    slot.job = index;
    slot.deadline = std::min(Clock::now() + std::chrono::milliseconds(settings_.timeoutMs), stopLimit_);
    if (begun_) begun_(index);
  }

  // Passes on a job's one outcome and counts it: begun and done, or never begun.
  void Finish(std::size_t index, const BatchOutcome& outcome) {
    ++(outcome.result == Result::kNotStarted ? summary_.notStarted : summary_.finished);
    done_(index, outcome);
  }

  QString TimeLimitText() const { return TimeLimitReason((settings_.timeoutMs + 999) / 1000); }

  // Ends the slot's converter: the job under way fails for `reason`, and the requests take
  // back what the conversion had written. A converter ended at a stop before it had read
  // its request never began the message.
  void Abandon(Slot& slot, Result result, const QString& reason) {
    bool unread = false;
    if (result == Result::kStopped) {
      unread = slot.worker.KillBeforeItRead();
    } else {
      slot.worker.Kill();
    }
    const std::size_t index = *slot.job;
    slot.job.reset();
    const BatchOutcome outcome = unread ? BatchOutcomeOf(Result::kNotStarted) : BatchOutcomeOf(result, reason);
    Finish(index, requests_->Abandoned(index, slot.journal, outcome, unread));
  }

  // Gives each idle converter the next job of the waiting line, starting converters as
  // needed.
  void HandOut() {
    for (auto& slot : slots_) {
      if (slot->unusable) continue;
      while (!waiting_.empty() && !slot->job) {
        // The converters run ahead of the stage after them by a few documents at most, so
        // a stop finds little made and waiting, and the run's folder holds little at a time.
        if (requests_->Pending() >= 2 * slots_.size()) return;
        if (!slot->worker.Running() && !StartConverter(*slot)) break;
        const std::size_t index = waiting_.front();
        waiting_.pop_front();
        if (const QString failure = requests_->Prepare(index); !failure.isEmpty()) {
          Finish(index, BatchOutcomeOf(Result::kUnwritable, failure));
          continue;
        }
        Begin(*slot, index);
        slot->journal.Clear();
        const auto [options, second] = requests_->Request(index);
        if (!slot->worker.Send(options, EncodedPath(jobs_[index].source), second)) {
          const std::string ended = slot->worker.Kill();
          Abandon(*slot, Result::kCrashed,
                  QString::fromStdString(ended.empty() ? "the converter stopped taking work" : ended));
        }
      }
    }
  }

  // The others go on with fewer converters when one cannot start; when none is left, a
  // converter that cannot start will not start for the next job either.
  bool StartConverter(Slot& slot) {
    std::string failure;
    if (slot.worker.Start(EncodedPath(settings_.converterPath), slot.journal.Path(), failure)) return true;
    slot.unusable = true;
    if (std::all_of(slots_.begin(), slots_.end(), [](const auto& s) { return s->unusable; }))
      summary_.startFailure = QString::fromLocal8Bit(failure.c_str());
    return false;
  }

  void Wait() {
    std::vector<int> watched;
    std::vector<Slot*> owners;
    Clock::time_point earliest = Clock::time_point::max();
    for (auto& slot : slots_) {
      if (!slot->job) continue;
      watched.push_back(slot->worker.AnswerDescriptor());
      owners.push_back(slot.get());
      earliest = std::min(earliest, slot->deadline);
    }
    const int stage = requests_->Descriptor();
    if (stage >= 0) watched.push_back(stage);
    const bool watchStop = settings_.stopDescriptor >= 0 && !summary_.stopped;
    if (watchStop) watched.push_back(settings_.stopDescriptor);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(earliest - Clock::now()).count();
    const int timeout = static_cast<int>(std::clamp<long long>(left + 1, 0, settings_.tick ? 250 : 60000));
    std::vector<bool> ready;
    const int count = WaitForInput(watched, ready, timeout);
    if (settings_.tick) settings_.tick();
    if (count < 0) return;
    if (watchStop && ready.back()) BeginStop();
    for (std::size_t i = 0; i < owners.size(); ++i) {
      if (ready[i]) Collect(*owners[i]);
    }
    if (stage >= 0)
      for (const auto& [index, outcome] : requests_->TakeDone()) Finish(index, outcome);
    EndOverdue();
  }

  // An answer that came in since the wait is taken before the deadline is held against it.
  void EndOverdue() {
    const Clock::time_point now = Clock::now();
    for (auto& slot : slots_) {
      if (slot->job && now >= slot->deadline) Collect(*slot);
      if (slot->job && now >= slot->deadline) {
        if (summary_.stopped) {
          Abandon(*slot, Result::kStopped, QStringLiteral("interrupted"));
        } else {
          Abandon(*slot, Result::kTimedOut, TimeLimitText());
        }
      }
    }
  }

  void Collect(Slot& slot) {
    ConverterWorker::Answer answer;
    while (slot.job) {
      switch (slot.worker.TakeAnswer(answer)) {
        case ConverterWorker::Read::kNothingYet:
          return;
        case ConverterWorker::Read::kAnswer: {
          const std::size_t index = *slot.job;
          slot.job.reset();
          if (const auto outcome = requests_->Answered(index, answer, AnswerOutcome(answer), slot.deadline))
            Finish(index, *outcome);
          break;
        }
        case ConverterWorker::Read::kEnded: {
          const std::string ended = slot.worker.Kill();
          Abandon(slot, Result::kCrashed,
                  QString::fromStdString(ended.empty() ? "the converter broke off the exchange" : ended));
          return;
        }
      }
    }
  }

  // No new work from now on; conversions under way get the grace period to finish, and
  // the jobs still waiting are not started.
  void BeginStop() {
    summary_.stopped = true;
    if (requests_) requests_->Cancel();
    stopLimit_ = Clock::now() + std::chrono::milliseconds(settings_.stopGraceMs);
    for (auto& slot : slots_) slot->deadline = std::min(slot->deadline, stopLimit_);
  }

  const std::vector<BatchJob>& jobs_;
  const BatchSettings& settings_;
  const std::function<void(std::size_t, const BatchOutcome&)>& done_;
  const std::function<void(std::size_t)>& begun_;
  std::unique_ptr<BatchRequests> requests_;
  std::unique_ptr<QTemporaryDir> ownFolder_;  // for the journals, when the run was given no private folder
  std::vector<std::unique_ptr<Slot>> slots_;
  std::deque<std::size_t> waiting_;
  Clock::time_point stopLimit_ = Clock::time_point::max();
  BatchSummary summary_;
};

}  // namespace

BatchSummary RunBatch(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                      const std::function<void(std::size_t, const BatchOutcome&)>& done,
                      const std::function<void(std::size_t)>& begun) {
  if (jobs.empty()) return {};
  Batch batch(jobs, settings, done, begun);
  return batch.Run();
}

QString TimeLimitReason(int seconds) {
  return seconds == 1 ? QStringLiteral("the conversion took longer than 1 second")
                      : QStringLiteral("the conversion took longer than %1 seconds").arg(seconds);
}
