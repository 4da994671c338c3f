// The batch run's loop: one poll over every converter's answer pipe and the stop descriptor,
// with the earliest deadline of a message under way as the poll's time-out. Each converter
// holds one request at a time, the one it works on: after a stop nothing is left queued
// at a converter that it could still begin.
#include "run/batch_run.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <optional>
#include <filesystem>
#include <set>
#include <memory>
#include <string>

#include "platform/native_names.h"
#include "run/converter_answer.h"
#include "run/converter_temporaries.h"
#include "run/converter_worker.h"

namespace {

using Clock = std::chrono::steady_clock;

// The file at a path as device and inode, if there is one.
std::optional<std::pair<dev_t, ino_t>> FileAt(const std::string& path) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return std::make_pair(st.st_dev, st.st_ino);
}

struct Slot {
  ConverterWorker worker;
  std::optional<std::size_t> job;  // the job under way
  Clock::time_point deadline;      // of that job
  // The file that stood at the job's output as it began: the converter puts a finished
  // document in place in one step, so another file there afterwards is the finished one.
  std::optional<std::pair<dev_t, ino_t>> outputBefore;
  bool unusable = false;           // its converter could not be started
};

std::string Encoded(const QString& path) { return NativeName(path).toStdString(); }

// What an "ok" answer to a conversion carried: what was kept and, when the document took
// another name, where it went.
void ReadConversionDetail(const QByteArray& reason, BatchOutcome& outcome) {
  const std::optional<ConverterOkAnswer> answer = ReadConverterOkAnswer(reason);
  if (!answer) return;
  outcome.attachmentFiles = std::max(answer->attachments, 0);
  outcome.embeddedMessages = std::max(answer->messages, 0);
  outcome.document = answer->documentPath;
}

BatchOutcome Outcome(bool converted, const QString& word, const QString& reason = {}) {
  BatchOutcome outcome;
  outcome.converted = converted;
  outcome.word = word;
  outcome.reason = reason;
  return outcome;
}

QString Reason(const std::string& word, const std::string& reason) {
  if (reason.empty()) return QStringLiteral("the converter gave no reason (%1)").arg(QString::fromStdString(word));
  return NameFromNative(QByteArray::fromStdString(reason));
}

class Batch {
 public:
  Batch(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
        const std::function<void(std::size_t, const BatchOutcome&)>& done,
        const std::function<void(std::size_t)>& begun)
      : jobs_(jobs), settings_(settings), done_(done), begun_(begun),
        pattern_(settings.namePattern.toUtf8().toStdString()) {
    const std::size_t count = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(settings.workers, 1)), 1,
                                                      std::max<std::size_t>(jobs.size(), 1));
    for (std::size_t i = 0; i < count; ++i) slots_.push_back(std::make_unique<Slot>());
    for (std::size_t i = 0; i < jobs.size(); ++i) waiting_.push_back(i);
  }

  BatchSummary Run() {
    if (StopAsked()) BeginStop();
    while (true) {
      const bool ending = summary_.stopped || !summary_.startFailure.isEmpty();
      if (!ending) HandOut();
      if (!Busy()) break;
      Wait();
    }
    for (auto& slot : slots_) slot->worker.Finish(1000);
    // Every job gets its one outcome: those never begun are "not started".
    for (const std::size_t index : waiting_) {
      ++summary_.notStarted;
      done_(index, Outcome(false, QStringLiteral("not-started"), summary_.startFailure));
    }
    waiting_.clear();
    return summary_;
  }

 private:
  // The request's options field: "name" for a name request; else the documents' options,
  // with replace as the plan decided it for this job alone.
  std::string RequestOptions(std::size_t index) const {
    if (settings_.request == BatchRequest::kName) return "name";
    ConversionOptions options = settings_.documents;
    options.replace = jobs_[index].replace;
    return quorlin::ConversionOptionWords(options);
  }

  bool Busy() const {
    return std::any_of(slots_.begin(), slots_.end(), [](const auto& s) { return s->job.has_value(); });
  }

  bool StopAsked() const {
    if (settings_.stopDescriptor < 0) return false;
    pollfd stop{settings_.stopDescriptor, POLLIN, 0};
    return ::poll(&stop, 1, 0) > 0;
  }

  // The job is under way from now: after a stop no conversion gets past the stop's grace
  // period.
  void Begin(Slot& slot, std::size_t index) {
    slot.job = index;
    if (settings_.request == BatchRequest::kConvert) slot.outputBefore = FileAt(Encoded(jobs_[index].output));
    slot.deadline = std::min(Clock::now() + std::chrono::milliseconds(settings_.timeoutMs), stopLimit_);
    if (begun_) begun_(index);
  }

  void Finish(std::size_t index, const BatchOutcome& outcome) {
    ++summary_.finished;
    done_(index, outcome);
  }

  // Ends the slot's converter: the job under way fails for `reason`, and what the
  // conversion had written is removed. A converter ended after it had put the finished
  // document in place, but before its answer was read, converted the message: the outcome
  // says so, and the counts stay those of the documents on disk.
  void Abandon(Slot& slot, const QString& word, const QString& reason) {
    slot.worker.Kill();
    const std::size_t index = *slot.job;
    slot.job.reset();
    if (settings_.request == BatchRequest::kConvert) {
      const auto now = FileAt(Encoded(jobs_[index].output));
      const bool finished = now && now != slot.outputBefore;
      RemoveLeftovers(index, finished);
      if (finished) {
        Finish(index, Outcome(true, QStringLiteral("ok")));
        return;
      }
    }
    Finish(index, Outcome(false, word, reason));
  }

  // A converter ended in the middle of a document leaves what it had begun: the hidden
  // temporary file it was writing beside it (".<document>.<hex>.tmp") and its journal of
  // what else it made (attachments, embedded documents, their folder). All of it goes
  // (only the journal and temporaries when the document itself was finished), unless a
  // document under way in another converter could own files of that pattern (names that
  // share their first 100 bytes), which would fail that document rather than tidy up
  // after this one.
  void RemoveLeftovers(std::size_t index, bool documentFinished) {
    const std::string output = Encoded(jobs_[index].output);
    const std::string stem = ConverterTemporaryStem(output);
    for (const auto& other : slots_) {
      if (other->job && ConverterTemporaryStem(Encoded(jobs_[*other->job].output)) == stem) return;
    }
    documentFinished ? RemoveConverterJournals(output) : RemoveConversionLeftovers(output);
  }

  // Gives each idle converter the next job of the waiting line, starting converters as
  // needed.
  void HandOut() {
    for (auto& slot : slots_) {
      if (slot->unusable) continue;
      while (!waiting_.empty() && !slot->job) {
        if (!slot->worker.Running()) {
          std::string failure;
          if (!slot->worker.Start(Encoded(settings_.converterPath), failure)) {
            // The others go on with fewer converters; when none is left, a converter that
            // cannot start will not start for the next job either.
            slot->unusable = true;
            if (std::all_of(slots_.begin(), slots_.end(), [](const auto& s) { return s->unusable; }))
              summary_.startFailure = QString::fromLocal8Bit(failure.c_str());
            break;
          }
        }
        const std::size_t index = waiting_.front();
        waiting_.pop_front();
        if (const QString failure = MakeFolder(index); !failure.isEmpty()) {
          Finish(index, Outcome(false, QStringLiteral("io"), failure));
          continue;
        }
        Begin(*slot, index);
        const std::string second =
            settings_.request == BatchRequest::kName ? pattern_ : Encoded(jobs_[index].output);
        if (!slot->worker.Send(RequestOptions(index), Encoded(jobs_[index].source), second)) {
          const std::string ended = slot->worker.Kill();
          Abandon(*slot, QStringLiteral("ended"),
                  QString::fromStdString(ended.empty() ? "the converter stopped taking work" : ended));
        }
      }
    }
  }

  // The folder of the job's document, made when asked for and missing; the reason when it
  // cannot be made, else empty. Each folder is looked at once per run.
  QString MakeFolder(std::size_t index) {
    if (!settings_.makeFolders || settings_.request != BatchRequest::kConvert) return {};
    const std::filesystem::path folder = std::filesystem::path(Encoded(jobs_[index].output)).parent_path();
    if (folder.empty() || madeFolders_.count(folder.native()) > 0) return {};
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const bool made = !error && std::filesystem::is_directory(folder, error);
    if (!made)
      return QStringLiteral("the folder %1 could not be made: %2")
          .arg(NameFromNative(QByteArray::fromStdString(folder.native())),
               QString::fromLocal8Bit(error ? error.message().c_str() : "a file has its name"));
    madeFolders_.insert(folder.native());
    return {};
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
    const bool watchStop = settings_.stopDescriptor >= 0 && !summary_.stopped;
    if (watchStop) watched.push_back({settings_.stopDescriptor, POLLIN, 0});
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(earliest - Clock::now()).count();
    const int timeout = static_cast<int>(std::clamp<long long>(left + 1, 0, settings_.tick ? 250 : 60000));
    const int ready = ::poll(watched.data(), watched.size(), timeout);
    if (settings_.tick) settings_.tick();
    if (ready < 0 && errno != EINTR) return;
    if (watchStop && watched.back().revents != 0) BeginStop();
    for (std::size_t i = 0; i < owners.size(); ++i) {
      if (watched[i].revents != 0) Collect(*owners[i]);
    }
    const Clock::time_point now = Clock::now();
    for (auto& slot : slots_) {
      // An answer that came in since the poll is taken before the deadline is held against it.
      if (slot->job && now >= slot->deadline) Collect(*slot);
      if (slot->job && now >= slot->deadline) {
        if (summary_.stopped) {
          Abandon(*slot, QStringLiteral("stopped"), QStringLiteral("interrupted"));
        } else {
          Abandon(*slot, QStringLiteral("timeout"), TimeLimitReason((settings_.timeoutMs + 999) / 1000));
        }
      }
    }
  }

  void Collect(Slot& slot) {
    std::string word;
    std::string reason;
    std::vector<std::string> notices;
    while (slot.job) {
      switch (slot.worker.TakeAnswer(word, reason, notices)) {
        case ConverterWorker::Read::kNothingYet:
          return;
        case ConverterWorker::Read::kAnswer: {
          QStringList texts;
          for (const std::string& notice : notices) texts << NameFromNative(QByteArray::fromStdString(notice));
          const bool ok = word == "ok";
          const std::size_t index = *slot.job;
          slot.job.reset();
          BatchOutcome outcome = Outcome(ok, QString::fromStdString(word), ok ? QString() : Reason(word, reason));
          outcome.notices = texts;
          if (ok) {
            // A name request's answer is the document's name.
            outcome.detail = QString::fromUtf8(reason.data(), static_cast<qsizetype>(reason.size()));
            if (settings_.request == BatchRequest::kConvert)
              ReadConversionDetail(QByteArray::fromStdString(reason), outcome);
          }
          Finish(index, outcome);
          break;
        }
        case ConverterWorker::Read::kEnded: {
          const std::string ended = slot.worker.Kill();
          Abandon(slot, QStringLiteral("ended"),
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
    stopLimit_ = Clock::now() + std::chrono::milliseconds(settings_.stopGraceMs);
    for (auto& slot : slots_) slot->deadline = std::min(slot->deadline, stopLimit_);
  }

  const std::vector<BatchJob>& jobs_;
  const BatchSettings& settings_;
  const std::function<void(std::size_t, const BatchOutcome&)>& done_;
  const std::function<void(std::size_t)>& begun_;
  const std::string pattern_;
  std::set<std::string> madeFolders_;
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
