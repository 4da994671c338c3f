// The batch run's loop: one wait (platform/descriptor_wait.h) over every converter's answer
// pipe and the stop descriptor, with the earliest deadline of a message under way as its
// time-out. Each converter
// holds one request at a time, the one it works on: after a stop nothing is left queued
// at a converter that it could still begin.
#include "run/engine/batch_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <chrono>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "converter/options/paper_size.h"
#include "platform/descriptor_wait.h"
#include "platform/native_names.h"
#include "run/engine/converter_answer.h"
#include "run/engine/conversion_journal.h"
#include "run/engine/converter_worker.h"
#include "run/engine/pdf_stage.h"

namespace {

namespace serve_protocol = quorlin::serve_protocol;
using serve_protocol::Result;
using Clock = std::chrono::steady_clock;

// The file at a path as its identity (device and inode), if there is one.
std::optional<std::pair<std::uint64_t, std::uint64_t>> FileAt(const QString& path) { return NativeFileIdentity(path); }

struct Slot {
  ConverterWorker worker;
  ConversionJournal journal;  // its converter's, in the run's private folder
  std::optional<std::size_t> job;  // the job under way
  Clock::time_point deadline;      // of that job
  // The file that stood at the job's output as it began: the converter puts a finished
  // document in place in one step, so another file there afterwards is the finished one.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> outputBefore;
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

BatchOutcome Outcome(Result result, const QString& reason = {}) {
  BatchOutcome outcome;
  outcome.converted = result == Result::kOk;
  outcome.result = result;
  outcome.reason = reason;
  return outcome;
}

std::string JoinWords(const std::string& words, std::string_view word) {
  return words.empty() ? std::string(word) : words + ' ' + std::string(word);
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
    if (settings_.pdf && settings_.request == BatchRequest::kConvert)
      pdf_ = std::make_unique<PdfStage>(static_cast<int>(slots_.size()), settings_.pdfRenderer);
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
    pdf_.reset();
    // Every job gets its one outcome: those never begun are "not started".
    for (const std::size_t index : waiting_) Finish(index, Outcome(Result::kNotStarted, summary_.startFailure));
    waiting_.clear();
    return summary_;
  }

 private:
  // The request's options field: "name" for a name request; else the documents' options,
  // with replace as the plan decided it for this job alone. A PDF's document goes to an
  // empty folder of the job's own, so only the PDF replaces, and the converter describes
  // what it made for the PDF stage.
  std::string RequestOptions(std::size_t index) const {
    if (settings_.request == BatchRequest::kName) return std::string(serve_protocol::kNameRequest);
    quorlin::ConversionOptions options = settings_.documents;
    options.replace = jobs_[index].replace && !Pdf();
    const std::string words = quorlin::ConversionOptionWords(options);
    return Pdf() ? JoinWords(words, serve_protocol::kDescribeOption) : words;
  }

  // Each converter keeps its journal in a file of the run's private folder (or, without
  // one, of a private folder made for this run), where nobody else can write.
  void OpenJournals() {
    if (settings_.request != BatchRequest::kConvert) return;
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
          NativeText(NativePath(Encoded(folder)) / ("journal-" + std::to_string(i + 1))), failure);
    }
  }

  bool Busy() const {
    return std::any_of(slots_.begin(), slots_.end(), [](const auto& s) { return s->job.has_value(); }) ||
           (pdf_ && pdf_->Pending() > 0);
  }

  bool Pdf() const { return pdf_ != nullptr; }

  // Where the converter writes a job's document: its output, or for a PDF the document
  // named like the PDF in the job's own folder below the run's scratch folder.
  std::string ConverterOutput(std::size_t index) const {
    if (!Pdf()) return Encoded(jobs_[index].output);
    const std::string stem = NativeText(NativePath(Encoded(jobs_[index].output)).stem());
    return NativeText(NativePath(Scratch(index)) / NativePath(stem + ".doc"));
  }
  std::string Scratch(std::size_t index) const {
    return NativeText(NativePath(Encoded(settings_.pdfScratch)) / ("job-" + std::to_string(index)));
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
    if (settings_.request == BatchRequest::kConvert) slot.outputBefore = FileAt(jobs_[index].output);
    slot.deadline = std::min(Clock::now() + std::chrono::milliseconds(settings_.timeoutMs), stopLimit_);
    if (begun_) begun_(index);
  }

  // Passes on a job's one outcome and counts it: begun and done, or never begun.
  void Finish(std::size_t index, const BatchOutcome& outcome) {
    ++(outcome.result == Result::kNotStarted ? summary_.notStarted : summary_.finished);
    done_(index, outcome);
  }

  QString TimeLimitText() const { return TimeLimitReason((settings_.timeoutMs + 999) / 1000); }

  // Ends the slot's converter: the job under way fails for `reason`, and what the
  // conversion had written is removed. A converter ended after it had put the finished
  // document in place, but before its answer was read, converted the message: the outcome
  // says so, and the counts stay those of the documents on disk.
  void Abandon(Slot& slot, Result result, const QString& reason) {
    // A converter ended at a stop before it had read its request never began the message.
    bool unread = false;
    if (result == Result::kStopped) {
      unread = slot.worker.KillBeforeItRead();
    } else {
      slot.worker.Kill();
    }
    const std::size_t index = *slot.job;
    slot.job.reset();
    if (unread) {
      std::error_code ignored;
      if (Pdf()) std::filesystem::remove_all(NativePath(Scratch(index)), ignored);
      Finish(index, Outcome(Result::kNotStarted, QString()));
      return;
    }
    if (Pdf()) {
      slot.journal.Clear();
      std::error_code ignored;
      std::filesystem::remove_all(NativePath(Scratch(index)), ignored);
    } else if (settings_.request == BatchRequest::kConvert) {
      const auto now = FileAt(jobs_[index].output);
      const bool finished = now && now != slot.outputBefore;
      // What the conversion made, as its converter's journal lists it, goes (only its
      // temporary names when the document itself was finished).
      slot.journal.Undo(Encoded(jobs_[index].output), finished);
      if (finished) {
        Finish(index, Outcome(Result::kOk));
        return;
      }
    }
    Finish(index, Outcome(result, reason));
  }

  // Gives each idle converter the next job of the waiting line, starting converters as
  // needed.
  void HandOut() {
    for (auto& slot : slots_) {
      if (slot->unusable) continue;
      while (!waiting_.empty() && !slot->job) {
        // The converters run ahead of LibreOffice by a few documents at most, so a stop
        // finds little made and waiting, and the run's folder holds little at a time.
        if (Pdf() && pdf_->Pending() >= 2 * slots_.size()) return;
        if (!slot->worker.Running()) {
          std::string failure;
          if (!slot->worker.Start(Encoded(settings_.converterPath), slot->journal.Path(), failure)) {
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
          Finish(index, Outcome(Result::kUnwritable, failure));
          continue;
        }
        if (Pdf()) {
          std::error_code error;
          std::filesystem::create_directories(NativePath(Scratch(index)), error);
          if (error) {
            Finish(index, Outcome(Result::kUnwritable, QString::fromLocal8Bit(error.message().c_str())));
            continue;
          }
        }
        Begin(*slot, index);
        slot->journal.Clear();
        const std::string second = settings_.request == BatchRequest::kName ? pattern_ : ConverterOutput(index);
        if (!slot->worker.Send(RequestOptions(index), Encoded(jobs_[index].source), second)) {
          const std::string ended = slot->worker.Kill();
          Abandon(*slot, Result::kCrashed,
                  QString::fromStdString(ended.empty() ? "the converter stopped taking work" : ended));
        }
      }
    }
  }

  // The folder of the job's document, made when asked for and missing; the reason when it
  // cannot be made, else empty. Each folder is looked at once per run.
  QString MakeFolder(std::size_t index) {
    if (!settings_.makeFolders || settings_.request != BatchRequest::kConvert) return {};
    const std::filesystem::path folder = NativePath(Encoded(jobs_[index].output)).parent_path();
    if (folder.empty() || madeFolders_.count(NativeText(folder)) > 0) return {};
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const bool made = !error && std::filesystem::is_directory(folder, error);
    if (!made)
      return QStringLiteral("the folder %1 could not be made: %2")
          .arg(NameFromNative(QByteArray::fromStdString(NativeText(folder))),
               QString::fromLocal8Bit(error ? error.message().c_str() : "a file has its name"));
    madeFolders_.insert(NativeText(folder));
    return {};
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
    const bool watchPdf = Pdf();
    if (watchPdf) watched.push_back(pdf_->Descriptor());
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
    if (watchPdf) TakePdfs();
    const Clock::time_point now = Clock::now();
    for (auto& slot : slots_) {
      // An answer that came in since the poll is taken before the deadline is held against it.
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
          const std::string& word = answer.word;
          const std::string& reason = answer.detail;
          QStringList texts;
          for (const std::string& notice : answer.notices) texts << NameFromNative(QByteArray::fromStdString(notice));
          // A word no converter sends is the converter's own failure.
          const Result result = serve_protocol::ResultForWord(word).value_or(Result::kInternal);
          const bool ok = result == Result::kOk;
          const std::size_t index = *slot.job;
          slot.job.reset();
          BatchOutcome outcome = Outcome(result, ok ? QString() : Reason(word, reason));
          outcome.notices = texts;
          if (ok) {
            // A name request's answer is the document's name.
            outcome.detail = QString::fromUtf8(reason.data(), static_cast<qsizetype>(reason.size()));
            if (settings_.request == BatchRequest::kConvert)
              ReadConversionDetail(QByteArray::fromStdString(reason), outcome);
          }
          if (ok && Pdf()) {
            ToPdf(index, answer, std::move(outcome), slot.deadline);
            break;
          }
          Finish(index, outcome);
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

  // The converter made the job's document: the PDF stage goes on from it, within what is
  // left of the job's time.
  void ToPdf(std::size_t index, const ConverterWorker::Answer& answer, BatchOutcome outcome,
             Clock::time_point deadline) {
    PdfWork work;
    work.index = index;
    work.source = Encoded(jobs_[index].source);
    work.scratch = Scratch(index);
    work.document = ConverterOutput(index);
    work.target = Encoded(jobs_[index].output);
    work.replace = jobs_[index].replace;
    const auto seconds = [](const std::string& text) -> std::optional<std::int64_t> {
      bool number = false;
      const qlonglong value = QByteArray::fromStdString(text).toLongLong(&number);
      if (!number) return std::nullopt;
      return value;
    };
    for (const auto& [word, text] : answer.records) {
      if (word == serve_protocol::kSubjectRecord) work.facts.subject = text;
      if (word == serve_protocol::kSenderRecord) work.facts.sender = text;
      if (word == serve_protocol::kSentRecord) work.facts.sent = seconds(text);
      if (word == serve_protocol::kSavedRecord) work.saved.push_back(text);
      if (word == serve_protocol::kPaperRecord)
        if (const std::optional<quorlin::PaperSize> paper = quorlin::ParsePaperSizeText(text))
          work.paper = lorvane_pdf::PaperMillimetres{paper->width_twips * 127 / 72, paper->height_twips * 127 / 72};
      if (word == serve_protocol::kEmbeddedRecord) work.embedded.push_back({text, {}});
      // An embedded document's facts follow its record.
      if (work.embedded.empty()) continue;
      PdfFacts& inner = work.embedded.back().facts;
      if (word == serve_protocol::kEmbeddedSubjectRecord) inner.subject = text;
      if (word == serve_protocol::kEmbeddedSenderRecord) inner.sender = text;
      if (word == serve_protocol::kEmbeddedSentRecord) inner.sent = seconds(text);
    }
    work.deadline = deadline;
    outcome.document.clear();  // the converter's document stays in the job's folder
    rendering_.emplace(index, std::move(outcome));
    pdf_->Add(std::move(work));
  }

  void TakePdfs() {
    for (const PdfDone& done : pdf_->TakeDone()) {
      auto found = rendering_.find(done.index);
      if (found == rendering_.end()) continue;
      BatchOutcome outcome = std::move(found->second);
      rendering_.erase(found);
      if (!done.ok) {
        // A PDF not begun when the run stopped is a message not started, as a conversion
        // not begun is.
        const Result result = done.notStarted ? Result::kNotStarted
                              : done.stopped  ? Result::kStopped
                              : done.timedOut ? Result::kTimedOut
                                              : Result::kPdfFailed;
        const QString reason = done.timedOut ? TimeLimitText() : QString::fromStdString(done.reason);
        BatchOutcome failed = Outcome(result, reason);
        failed.notices = outcome.notices;
        outcome = failed;
      }
      Finish(done.index, outcome);
    }
  }

  // No new work from now on; conversions under way get the grace period to finish, and
  // the jobs still waiting are not started.
  void BeginStop() {
    summary_.stopped = true;
    if (pdf_) pdf_->Cancel();
    stopLimit_ = Clock::now() + std::chrono::milliseconds(settings_.stopGraceMs);
    for (auto& slot : slots_) slot->deadline = std::min(slot->deadline, stopLimit_);
  }

  const std::vector<BatchJob>& jobs_;
  const BatchSettings& settings_;
  const std::function<void(std::size_t, const BatchOutcome&)>& done_;
  const std::function<void(std::size_t)>& begun_;
  const std::string pattern_;
  std::set<std::string> madeFolders_;
  std::unique_ptr<PdfStage> pdf_;
  std::unique_ptr<QTemporaryDir> ownFolder_;  // for the journals, when the run was given no private folder
  std::map<std::size_t, BatchOutcome> rendering_;  // jobs in the PDF stage, with their outcomes so far
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
