// The requests of a PDF run: each converter writes the job's document and what it saved
// into a folder of the job's own below the run's scratch folder, describing what it made,
// and the PDF stage (run/pdf_stage/) makes the job's PDF from that. The job's time limit
// covers both; a converter ended part way leaves only the job's folder, which goes.
#include "run/engine/batch_requests.h"

#include <filesystem>
#include <map>

#include "platform/native_names.h"
#include "run/pdf_stage/pdf_stage.h"

namespace {

namespace serve_protocol = quorlin::serve_protocol;
using serve_protocol::Result;

class PdfRequests : public BatchRequests {
 public:
  PdfRequests(const std::vector<BatchJob>& jobs, const BatchSettings& settings, std::size_t workers)
      : jobs_(jobs), settings_(settings), stage_(static_cast<int>(workers), settings.pdfRenderer) {}

  QString Prepare(std::size_t index) override {
    if (const QString failure = folders_.Make(jobs_[index].output); !failure.isEmpty()) return failure;
    std::error_code error;
    std::filesystem::create_directories(NativePath(Scratch(index)), error);
    return error ? QString::fromLocal8Bit(error.message().c_str()) : QString();
  }

  // The job's folder is empty, so only the PDF replaces; the converter describes what it
  // made for the PDF stage.
  std::pair<std::string, std::string> Request(std::size_t index) const override {
    quorlin::ConversionOptions options = settings_.documents;
    options.replace = false;
    const std::string words = quorlin::ConversionOptionWords(options);
    const std::string describe(serve_protocol::kDescribeOption);
    return {words.empty() ? describe : words + ' ' + describe, Document(index)};
  }

  // The converter made the job's document: the PDF stage goes on from it, within what is
  // left of the job's time.
  std::optional<BatchOutcome> Answered(std::size_t index, const ConverterWorker::Answer& answer,
                                       BatchOutcome outcome, Clock::time_point deadline) override {
    if (!outcome.converted) return outcome;
    ReadConversionDetail(answer, outcome);
    PdfWork work;
    work.index = index;
    work.source = EncodedPath(jobs_[index].source);
    work.scratch = Scratch(index);
    work.target = EncodedPath(jobs_[index].output);
    work.replace = jobs_[index].replace;
    work.deadline = deadline;
    ReadDescription(answer.records, Document(index), work);
    outcome.document.clear();  // the converter's document stays in the job's folder
    rendering_.emplace(index, std::move(outcome));
    stage_.Add(std::move(work));
    return std::nullopt;
  }

  BatchOutcome Abandoned(std::size_t index, ConversionJournal& journal, BatchOutcome outcome, bool unread) override {
    if (!unread) journal.Clear();
    std::error_code ignored;
    std::filesystem::remove_all(NativePath(Scratch(index)), ignored);
    return outcome;
  }

  std::size_t Pending() const override { return stage_.Pending(); }
  int Descriptor() const override { return stage_.Descriptor(); }
  void Cancel() override { stage_.Cancel(); }

  // A PDF that failed keeps the converter's notices; one timed out gives the run's reason.
  std::vector<std::pair<std::size_t, BatchOutcome>> TakeDone() override {
    std::vector<std::pair<std::size_t, BatchOutcome>> outcomes;
    for (const PdfDone& done : stage_.TakeDone()) {
      auto found = rendering_.find(done.index);
      if (found == rendering_.end()) continue;
      BatchOutcome outcome = std::move(found->second);
      rendering_.erase(found);
      if (done.result != Result::kOk) {
        const bool late = done.result == Result::kTimedOut;
        BatchOutcome failed = BatchOutcomeOf(done.result, late ? TimeLimitText() : QString::fromStdString(done.reason));
        failed.notices = outcome.notices;
        outcome = failed;
      }
      outcomes.emplace_back(done.index, std::move(outcome));
    }
    return outcomes;
  }

 private:
  std::string Scratch(std::size_t index) const {
    return NativeText(NativePath(EncodedPath(settings_.pdfScratch)) / ("job-" + std::to_string(index)));
  }
  // The converter's document, named like the PDF, in the job's folder.
  std::string Document(std::size_t index) const {
    const std::string stem = NativeText(NativePath(EncodedPath(jobs_[index].output)).stem());
    return NativeText(NativePath(Scratch(index)) / NativePath(stem + ".doc"));
  }
  QString TimeLimitText() const { return TimeLimitReason((settings_.timeoutMs + 999) / 1000); }

  const std::vector<BatchJob>& jobs_;
  const BatchSettings& settings_;
  OutputFolders folders_{settings_.makeFolders};
  PdfStage stage_;
  std::map<std::size_t, BatchOutcome> rendering_;  // jobs in the PDF stage, with their outcomes so far
};

}  // namespace

std::unique_ptr<BatchRequests> MakePdfRequests(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                                               std::size_t workers) {
  return std::make_unique<PdfRequests>(jobs, settings, workers);
}
