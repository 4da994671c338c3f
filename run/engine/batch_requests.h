// What the converters are asked for a batch's jobs, and what becomes of their answers: a
// conversion into the job's document, a conversion for the PDF stage after the converters,
// or a name. The batch's loop (batch_run.cpp) hands the jobs out, watches the converters
// and passes every outcome on; all that depends on the kind of request is asked of these.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "run/engine/batch_run.h"
#include "run/engine/conversion_journal.h"
#include "run/engine/converter_worker.h"

class BatchRequests {
 public:
  using Clock = std::chrono::steady_clock;
  virtual ~BatchRequests() = default;

  // Whether the converters keep journals of what they make.
  virtual bool Journals() const { return true; }
  // Readies the job just before its converter gets it: the reason it cannot be begun (it
  // then fails as unwritable), or empty.
  virtual QString Prepare(std::size_t index) = 0;
  // The request's options field and its second field (where the document goes, or the
  // name pattern).
  virtual std::pair<std::string, std::string> Request(std::size_t index) const = 0;
  // The job's converter answered (`outcome` holds the code, the reason or detail and the
  // notices): the job's outcome, or nothing when the stage after the converters gives it
  // later.
  virtual std::optional<BatchOutcome> Answered(std::size_t index, const ConverterWorker::Answer& answer,
                                               BatchOutcome outcome, Clock::time_point deadline) = 0;
  // The job's converter was ended with `outcome` ("not started" when it had not read the
  // request, `unread`): takes back what the conversion had made and says what became of it.
  virtual BatchOutcome Abandoned(std::size_t index, ConversionJournal& journal, BatchOutcome outcome,
                                 bool unread) = 0;

  // The stage after the converters, when there is one: the work handed to it and not yet
  // given back, a descriptor readable while outcomes wait, those outcomes, and a stop.
  virtual std::size_t Pending() const { return 0; }
  virtual int Descriptor() const { return -1; }
  virtual std::vector<std::pair<std::size_t, BatchOutcome>> TakeDone() { return {}; }
  virtual void Cancel() {}
};

// The folders of the jobs' documents, made when missing and asked for (the kept
// sub-folders); each is looked at once per run.
class OutputFolders {
 public:
  explicit OutputFolders(bool make) : make_(make) {}
  // The reason the folder of a document at `output` cannot be made, else empty.
  QString Make(const QString& output);

 private:
  bool make_;
  std::set<std::string> made_;
};

// The requests for a batch's settings (a name request, a PDF run or documents); `workers`
// converters take them.
std::unique_ptr<BatchRequests> MakeBatchRequests(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                                                 std::size_t workers);
// The PDF run's, with the PDF stage after the converters (pdf_requests.cpp).
std::unique_ptr<BatchRequests> MakePdfRequests(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                                               std::size_t workers);

// The outcome with this code and reason, the outcome converted when the code is "ok".
BatchOutcome BatchOutcomeOf(quorlin::serve_protocol::Result result, const QString& reason = {});
// What an "ok" answer to a conversion carried into the outcome: what was kept and, when the
// document took another name, where it went.
void ReadConversionDetail(const ConverterWorker::Answer& answer, BatchOutcome& outcome);
// The path as the system's file functions take it.
std::string EncodedPath(const QString& path);
