// ConvertAll: the run's busy flag, the question about existing documents, the output
// names, the converter's placement and removal, the batch run driven from the window, the
// bar, and the closing box.
#include "run/conversion_run.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "run/background_batch.h"
#include "run/converter_image.h"
#include "run/converter_placement.h"
#include "run/converter_reason.h"
#include "run/document_options.h"
#include "run/existing_documents.h"
#include "run/failure_notices.h"
#include "run/output_names.h"
#include "run/progress_arithmetic.h"
#include "run/progress_bar.h"
#include "run/time_limit.h"
#include "platform/app_error.h"
#include "platform/dialogs.h"
#include "platform/error_trap.h"
#include "platform/paths.h"
#include "platform/pointer_control.h"
#include "platform/shutdown.h"

namespace {

const QString kLocation = QStringLiteral("in Lorvane2021/08/31.Form1.PushButton2_Click ");
// How long one message may take before the bar says "Please wait..".
constexpr qint64 kWaitingAfterMs = 5000;

// Clears the busy flag however the run ends.
class ConvertingFlag {
 public:
  explicit ConvertingFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~ConvertingFlag() { flag_ = false; }
  ConvertingFlag(const ConvertingFlag&) = delete;
  ConvertingFlag& operator=(const ConvertingFlag&) = delete;

 private:
  bool& flag_;
};

// Keeps a clean-up registered while the run may be cut short by the window closing, which
// ends the process without returning here.
class CleanupRegistration {
 public:
  explicit CleanupRegistration(std::function<void()> cleanup) : id_(RegisterCleanup(std::move(cleanup))) {}
  ~CleanupRegistration() { UnregisterCleanup(id_); }
  CleanupRegistration(const CleanupRegistration&) = delete;
  CleanupRegistration& operator=(const CleanupRegistration&) = delete;

 private:
  int id_;
};

// The window's side of the run while it goes on: the stop, the button and the clean-up.
class RunningState {
 public:
  RunningState(RunControl& control, BackgroundBatch& batch)
      : control_(control), stopOnExit_([&batch] { batch.StopAndWait(); }) {
    control_.stop = [&batch] { batch.Stop(); };
    if (control_.runningChanged) control_.runningChanged(true);
  }
  ~RunningState() {
    control_.stop = nullptr;
    if (control_.runningChanged) control_.runningChanged(false);
  }
  RunningState(const RunningState&) = delete;
  RunningState& operator=(const RunningState&) = delete;

 private:
  RunControl& control_;
  // Closing the window during the run stops it first: no converter outlives the window.
  CleanupRegistration stopOnExit_;
};

// The bar during the run: "Processing: " and the name of the message most recently
// begun, with its place in the run; "Please wait.. N" after it once a message has taken
// longer than five seconds, and the value creeping as a long wait goes on.
class RunBar {
 public:
  RunBar(ProgressBar& bar, const std::vector<BatchJob>& jobs) : bar_(bar), jobs_(jobs) {}

  void Begun(std::size_t index) {
    started_[index].start();
    if (latest_ && index < *latest_) return;
    latest_ = index;
    // Hundreds of messages a second begin: the bar is drawn afresh a few dozen times a
    // second at most, the latest always shown by the next tick.
    if (!shown_.isValid() || shown_.elapsed() >= kRedrawMs) Show();
  }
  void Finished(std::size_t index) { started_.erase(index); }

  void Tick() {
    if (latest_ && shownIndex_ != latest_) Show();
    qint64 longest = 0;
    for (const auto& [index, timer] : started_) longest = std::max(longest, timer.elapsed());
    if (longest <= kWaitingAfterMs) {
      if (bar_.StatusText() != status_) bar_.SetStatusText(status_);
      return;
    }
    const int tick = static_cast<int>(longest / 100);
    bar_.SetStatusText(progress::WaitingText(status_, tick));
    // The value set at the latest of the long wait's steps.
    const int step = progress::kFirstWaitingTick +
                     (tick - progress::kFirstWaitingTick) / progress::kTicksPerValueStep * progress::kTicksPerValueStep;
    const int start = static_cast<int>(progress::RoundHalfEven(value_));
    if (const auto value = progress::ValueAtTick(step, start, static_cast<int>(jobs_.size()))) bar_.SetProgress(*value);
  }

 private:
  static constexpr qint64 kRedrawMs = 40;

  void Show() {
    shown_.start();
    shownIndex_ = latest_;
    const int total = static_cast<int>(jobs_.size());
    const int place = static_cast<int>(*latest_) + 1;
    status_ = QStringLiteral("Processing: %1 (%2 of %3)").arg(GetFileName(jobs_[*latest_].source)).arg(place).arg(total);
    value_ = static_cast<double>(place) / total * 100;
    bar_.SetProgress(value_);
    bar_.SetStatusText(status_);
  }

  ProgressBar& bar_;
  const std::vector<BatchJob>& jobs_;
  QElapsedTimer shown_;
  std::optional<std::size_t> shownIndex_;
  std::map<std::size_t, QElapsedTimer> started_;  // messages under way
  std::optional<std::size_t> latest_;
  QString status_;
  double value_ = 0;
};

// The jobs of the run with every output name handed out before the first message.
struct Plan {
  std::vector<BatchJob> jobs;
  int skipped = 0;
};

Plan PlanJobs(const SourceRows& list, const OutputChoice& choice, ErrorTrap& trap, OutputNames& names,
              bool skipExisting) {
  Plan plan;
  int rowCount = 0;
  trap.Step(112, [&] { rowCount = list.count(); });
  const bool toFolder = choice.toChosenFolder();
  const bool beside = choice.besideSource();
  const QString folder = choice.folder();
  QString wantedOutput;  // stays empty when neither option is selected
  for (int row = 1; row <= rowCount && row <= list.count(); ++row) {
    QString source;
    trap.Step(114, [&] { source = list.text(row); });
    if (toFolder || beside) {
      trap.Step(126, [&] { wantedOutput = *BuildOutputPath(toFolder, beside, folder, source); });
    }
    QString output;
    // Two different sources never share a document within one run.
    trap.Step(132, [&] {
      output = CollapseBackslashes(wantedOutput);
      if (!output.isEmpty()) output = names.Claim(source, output);
    });
    if (skipExisting && !output.isEmpty() && QFileInfo::exists(output)) {
      ++plan.skipped;
      continue;
    }
    plan.jobs.push_back({source, output});
  }
  return plan;
}

// The one folder every document goes to, or empty when they go to several.
QString CommonFolder(const std::vector<BatchJob>& jobs) {
  QString common;
  for (const BatchJob& job : jobs) {
    if (job.output.isEmpty()) return {};
    QString folder = GetFolderPart(job.output);
    if (folder.size() > 1 && folder.endsWith(PathSeparator())) folder.chop(1);
    if (common.isEmpty()) common = folder;
    if (folder != common) return {};
  }
  return common;
}

int TimeLimitSeconds(const RunControl& control) {
  const int seconds = control.timeLimitSeconds ? control.timeLimitSeconds() : time_limit::kDefaultSeconds;
  return std::clamp(seconds, time_limit::kLowestSeconds, time_limit::kHighestSeconds);
}

}  // namespace

void ConvertAll(const SourceRows& list, ProgressBar& bar, const OutputChoice& choice, Dialogs& dialogs,
                PointerControl& pointer, bool& converting, RunControl& control) {
  ErrorTrap trap(dialogs, kLocation);
  // A click during a run is the Stop button.
  if (trap.Test(100, [&] { return converting; })) {
    control.RequestStop();
    return;
  }
  std::optional<ConvertingFlag> busy;
  trap.Step(102, [&] { busy.emplace(converting); });

  if (trap.Test(104, [&] { return list.count() == 0; })) {
    trap.Step(158, [&] { dialogs.ShowMessage(QStringLiteral("No files added.")); });
    return;
  }
  if (trap.Test(106, [&] { return !FolderExists(ExpandHomeFolder(choice.folder())) && !choice.besideSource(); })) {
    trap.Step(156, [&] {
      dialogs.ShowMessage(QStringLiteral("Folder does not exist. Please select another folder."));
    });
    return;
  }
  // Documents of the user's that the run would replace: asked about once, before anything
  // is written.
  QStringList existing;
  trap.Step(106, [&] { existing = DocumentsAlreadyThere(list, choice); });
  ExistingAnswer answer = ExistingAnswer::kKeep;
  if (!existing.isEmpty()) {
    trap.Step(106, [&] { answer = AskAboutExistingDocuments(dialogs, existing); });
    if (answer == ExistingAnswer::kCancel) return;
  }
  OutputNames names = answer == ExistingAnswer::kSkip ? OutputNames(ExistingDocuments::kSkip)
                      : NamesForRun(answer == ExistingAnswer::kReplace
                                        ? QSet<QString>(existing.begin(), existing.end())
                                        : QSet<QString>());

  // The pointer the run found comes back at its end: a folder add under way keeps its
  // hourglass, so the list stays closed to editing until that add ends too.
  WindowPointer foundPointer = WindowPointer::Default;
  trap.Step(106, [&] {
    foundPointer = pointer.MousePointer();
    pointer.SetMousePointer(WindowPointer::Hourglass);
  });

  QByteArrayView image;
  trap.Step(108, [&] {
    image = control.converterImage.isEmpty() ? ConverterImage() : QByteArrayView(control.converterImage);
  });
  ConverterPlacement placement;
  const CleanupRegistration removeOnExit([&placement] { placement.Remove(); });
  trap.Step(110, [&] { placement.Place(image); });

  const Plan plan = PlanJobs(list, choice, trap, names, answer == ExistingAnswer::kSkip);
  FailureNotices notices(dialogs);
  notices.Skipped(plan.skipped);
  // The window paints the hourglass before the converters start.
  trap.Step(120, [] { QCoreApplication::processEvents(); });

  BatchSettings settings;
  settings.converterPath = placement.ConverterPath();
  settings.workers = control.workers > 0 ? control.workers : std::max(QThread::idealThreadCount(), 1);
  settings.timeoutMs = TimeLimitSeconds(control) * 1000;
  settings.documents = choice.documents ? choice.documents() : DocumentOptions();
  BackgroundBatch batch(plan.jobs, settings);
  std::vector<bool> reported(plan.jobs.size(), false);
  BatchSummary summary;
  {
    const RunningState running(control, batch);
    RunBar runBar(bar, plan.jobs);
    BackgroundBatch::Callbacks callbacks;
    callbacks.begun = [&](std::size_t index) {
      runBar.Begun(index);
      if (!pointer.IsBusy()) pointer.SetMousePointer(WindowPointer::Hourglass);
    };
    callbacks.outcome = [&](std::size_t index, const BatchOutcome& outcome) {
      runBar.Finished(index);
      reported[index] = true;
      if (outcome.converted) {
        notices.Converted();
        return;
      }
      // After a stop the failures go to the closing box only.
      if (batch.StopRequested()) notices.Collect();
      trap.Step(142, [&] {
        notices.Failed(plan.jobs[index].source, ReasonForOutcome(outcome.word, outcome.reason).Text());
      });
      if (notices.Collecting()) batch.BoxesOff();
    };
    callbacks.tick = [&] { runBar.Tick(); };
    trap.Step(138, [&] { summary = batch.Run(callbacks); });
  }

  // No converter could start: the reason is told once (unless the placement failed and
  // said so already), then each message fails for it.
  int notStarted = 0;
  if (!summary.startFailure.isEmpty() && !summary.stopped) {
    if (!settings.converterPath.isEmpty()) {
      trap.Step(138, [&] {
        throw AppError(QStringLiteral("The converter could not be started: ") + summary.startFailure,
                       error_number::kFileNotFound);
      });
    }
    for (std::size_t i = 0; i < plan.jobs.size(); ++i) {
      if (reported[i]) continue;
      trap.Step(142, [&] { notices.Failed(plan.jobs[i].source, ReasonForOutcome(QStringLiteral("not-started"), {}).Text()); });
    }
  } else {
    notStarted = static_cast<int>(std::count(reported.begin(), reported.end(), false));
  }

  trap.Step(146, [&] { placement.Remove(); });
  trap.Step(148, [&] { pointer.SetMousePointer(foundPointer); });
  trap.Step(150, [&] { bar.SetProgress(0); });
  trap.Step(152, [&] { bar.SetStatusText(QStringLiteral("Progress Bar")); });
  const QString folder = notices.ConvertedCount() > 0 && control.openFolder ? CommonFolder(plan.jobs) : QString();
  trap.Step(154, [&] {
    if (notices.Done(summary.stopped, notStarted, folder)) control.openFolder(folder);
  });
  // The busy flag is cleared as `busy` goes out of scope.
}
