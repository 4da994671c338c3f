// One conversion run, written once for the window's "Start Converting" and for
// `lorvane convert`: each front end fills in the choices, drives its steps and watches what
// they report; what the user sees of it (boxes and the bar, or the progress line, the report
// and the exit status) stays with the front end. The steps, in order: place the converter,
// read the names the pattern takes from the messages (when it takes any), ask about the
// documents already on disk, plan, convert, tally. The run's batches go through a driver,
// so the command runs them in its own thread and the window on a thread of its own.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "run/engine/batch_run.h"
#include "run/engine/converter_placement.h"
#include "run/plan/document_format.h"
#include "run/plan/document_options.h"
#include "run/plan/name_pass.h"
#include "run/plan/output_names.h"
#include "run/run_options.h"
#include "run/plan/run_plan.h"
#include "run/plan/run_tally.h"
#include "run/plan/time_limit.h"

// What the user chose for a run, read once as it begins.
struct JobChoices {
  RunSources sources;
  // Where the documents go; its extension and whether sub-folders are kept follow `options`.
  PathChoice paths;
  RunOptions options;
  ConversionOptions documents;
  int workers = 1;
  int timeoutSeconds = time_limit::kDefaultSeconds;
  // The converter placed for the run; empty for the one this program carries.
  QByteArray converterImage;
  // Readable once the run must stop (the command's stop signals); -1 for none.
  int stopDescriptor = -1;
  // Asked now and then while planning: true ends the planning with an empty plan.
  std::function<bool()> stopped;
};

// What a batch reports as it goes on; any of them may be left out.
struct BatchEvents {
  std::function<void(std::size_t index)> begun;
  // As each outcome arrives, in any order.
  std::function<void(std::size_t index, const BatchOutcome& outcome)> arrived;
  // Each outcome again in list order (only a driver that keeps the list's order calls it).
  std::function<void(std::size_t index, const BatchOutcome& outcome)> inOrder;
  // Now and then while the batch goes on.
  std::function<void()> tick;
};

// Runs one batch of the run and returns its summary.
using BatchDriver =
    std::function<BatchSummary(const std::vector<BatchJob>& jobs, const BatchSettings& settings, const BatchEvents&)>;

// The driver of the command: the batch runs in the calling thread, which hears each outcome
// as it arrives (no list-order calls).
BatchSummary RunInThisThread(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                             const BatchEvents& events);

class ConversionJob {
 public:
  ConversionJob(JobChoices choices, BatchDriver driver);
  ConversionJob(const ConversionJob&) = delete;
  ConversionJob& operator=(const ConversionJob&) = delete;

  const JobChoices& Choices() const { return choices_; }

  // Places the converter in a private folder of the run's, the first time only (a failed
  // placement is not tried again: the run then goes on without a converter and every
  // message fails "not started"). Throws AppError when it cannot be placed.
  void PlaceConverter();
  bool ConverterPlaced() const { return !placement_.ConverterPath().isEmpty(); }
  // Takes the converter and the run's private folder away; the destructor does too.
  void RemoveConverter() { placement_.Remove(); }

  // Whether the documents are named after their messages, so names are read first.
  bool ReadsNames() const;
  // Asks the converters for every message's name; `events.arrived` follows each name kept.
  BatchSummary ReadNames(const BatchEvents& events);

  // The documents of the run already on disk, those the question about them names.
  QStringList DocumentsAlreadyThere() const;
  // Plans the run with the answer about the documents on disk.
  const RunPlan& MakePlan(ExistingDocuments existing);
  const RunPlan& Plan() const { return plan_; }

  // What the converters are asked for the plan's jobs.
  BatchSettings ConvertSettings() const;
  // Converts the plan's jobs; each outcome is kept for the tally before `events` hear of it.
  BatchSummary Convert(const BatchEvents& events);

  // Every message of the plan with what became of it, in list order.
  RunTally Tally() const;
  // The one folder the documents went under; empty when there is none.
  QString DocumentsFolder() const;

 private:
  // The settings every batch of the run shares.
  BatchSettings CommonSettings() const;

  JobChoices choices_;
  BatchDriver driver_;
  ConverterPlacement placement_;
  bool placementTried_ = false;
  std::vector<QString> stems_;  // the names read from the messages; empty when none were
  RunPlan plan_;
  std::vector<std::optional<BatchOutcome>> outcomes_;
};
