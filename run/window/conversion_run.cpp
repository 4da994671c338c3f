// ConvertAll: the run's busy flag, the question about existing documents, the plan, the
// converter's placement and removal, the batch run driven from the window, the bar, and
// the closing box.
#include "run/window/conversion_run.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "run/window/background_batch.h"
#include "run/plan/converter_reason.h"
#include "run/plan/document_options.h"
#include "run/window/existing_documents.h"
#include "run/window/output_folder_offer.h"
#include "run/plan/run_plan.h"
#include "run/plan/run_tally.h"
#include "run/window/failure_notices.h"
#include "run/plan/name_pass.h"
#include "run/plan/output_names.h"
#include "run/plan/time_limit.h"
#include "platform/app_error.h"
#include "platform/dialogs.h"
#include "platform/error_trap.h"
#include "platform/paths.h"
#include "platform/pointer_control.h"
#include "platform/shutdown.h"
#include "run/conversion_job.h"

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
// begun, with how far the run has got (" (4 of 6)": the messages begun, which never goes
// back); once a message has been under way for longer than five seconds, the one under way
// longest instead, with "Please wait.. " and its seconds. A PDF run says "Starting the PDF
// engine..." until its first message is done: LibreOffice starts first. The value is the
// share of messages done.
class RunBar {
 public:
  RunBar(RunProgress& bar, const std::vector<BatchJob>& jobs, bool pdf) : bar_(bar), jobs_(jobs), starting_(pdf) {}

  void Begun(std::size_t index) {
    started_[index].start();
    latest_ = index;
    begun_ = std::max(begun_, index + 1);
    // Hundreds of messages a second begin: the bar is drawn afresh a few dozen times a
    // second at most, the latest always shown by the next tick.
    if (!shown_.isValid() || shown_.elapsed() >= kRedrawMs) Show();
  }
  void Finished(std::size_t index) {
    started_.erase(index);
    ++done_;
    starting_ = false;
    if (!shown_.isValid() || shown_.elapsed() >= kRedrawMs) Show();
  }
  void Tick() { Show(); }

 private:
  static constexpr qint64 kRedrawMs = 40;

  void Show() {
    shown_.start();
    const int total = static_cast<int>(jobs_.size());
    std::optional<std::size_t> named = latest_;
    qint64 longest = 0;
    for (const auto& [index, timer] : started_) {
      if (timer.elapsed() > longest) {
        longest = timer.elapsed();
        if (longest > kWaitingAfterMs) named = index;
      }
    }
    if (starting_ && named) {
      const QString status = QStringLiteral("Starting the PDF engine...");
      if (bar_.StatusText() != status) bar_.SetStatusText(status);
    } else if (named) {
      QString status = QStringLiteral("Processing: %1 (%2 of %3)")
                           .arg(GetFileName(jobs_[*named].source))
                           .arg(static_cast<int>(begun_))
                           .arg(total);
      if (longest > kWaitingAfterMs) status += QStringLiteral(", Please wait.. %1").arg(longest / 1000);
      if (bar_.StatusText() != status) bar_.SetStatusText(status);
    }
    bar_.SetProgress(total > 0 ? static_cast<double>(done_) / total * 100 : 0);
  }

  RunProgress& bar_;
  const std::vector<BatchJob>& jobs_;
  QElapsedTimer shown_;
  std::map<std::size_t, QElapsedTimer> started_;  // messages under way
  std::optional<std::size_t> latest_;
  std::size_t begun_ = 0;  // the highest place begun
  int done_ = 0;
  bool starting_;  // a PDF run whose engine has not given its first document yet
};

int TimeLimitSeconds(const RunControl& control) {
  const int seconds = control.timeLimitSeconds ? control.timeLimitSeconds() : time_limit::kDefaultSeconds;
  return std::clamp(seconds, time_limit::kLowestSeconds, time_limit::kHighestSeconds);
}

// The window's driver of the run's batches: each runs on a thread of its own while the
// window's event loop goes on, and the button stops it.
class WindowBatches {
 public:
  explicit WindowBatches(RunControl& control) : control_(control) {}

  BatchSummary operator()(const std::vector<BatchJob>& jobs, const BatchSettings& settings, const BatchEvents& events) {
    BackgroundBatch batch(jobs, settings);
    const RunningState running(control_, batch);
    current_ = &batch;
    const BatchSummary summary = batch.Run({events.begun, events.arrived, events.inOrder, events.tick});
    current_ = nullptr;
    return summary;
  }
  // Whether the user stopped the batch under way.
  bool StopRequested() const { return current_ != nullptr && current_->StopRequested(); }

 private:
  RunControl& control_;
  const BackgroundBatch* current_ = nullptr;
};

// The choices as the window shows them when the run begins, the rows aside.
JobChoices ReadJobChoices(const OutputChoice& choice, const RunControl& control, ErrorTrap& trap) {
  JobChoices choices;
  trap.Step(106, [&] {
    choices.paths = ReadPathChoice(choice);
    if (choice.runOptions) choices.options = choice.runOptions();
    if (choice.documents) choices.documents = choice.documents();
  });
  choices.workers = control.workers > 0 ? control.workers : std::max(QThread::idealThreadCount(), 1);
  choices.timeoutSeconds = TimeLimitSeconds(control);
  choices.converterImage = control.converterImage;
  return choices;
}

// The rows as they stand when the run begins.
RunSources ReadRows(const SourceRows& list, ErrorTrap& trap) {
  RunSources sources;
  int rowCount = 0;
  trap.Step(112, [&] { rowCount = list.count(); });
  for (int row = 1; row <= rowCount && row <= list.count(); ++row) {
    trap.Step(114, [&] {
      sources.paths << list.text(row);
      sources.roots << (list.root ? list.root(row) : QString());
    });
  }
  return sources;
}

ExistingDocuments PlanAnswer(ExistingAnswer answer) {
  return answer == ExistingAnswer::kReplace ? ExistingDocuments::kReplace
         : answer == ExistingAnswer::kSkip  ? ExistingDocuments::kSkip
                                            : ExistingDocuments::kKeep;
}

// The window's side of one run: the job, and what the window shows of it.
class WindowRun {
 public:
  WindowRun(ConversionJob& job, WindowBatches& batches, ErrorTrap& trap, Dialogs& dialogs, RunProgress& bar,
            PointerControl& pointer, RunControl& control)
      : job_(job), batches_(batches), trap_(trap), dialogs_(dialogs), bar_(bar), pointer_(pointer), control_(control) {}

  // Places the converter once; a failure is said in a box and the run goes on without it.
  void Place() {
    trap_.Step(110, [&] { job_.PlaceConverter(); });
  }

  // Reads the messages' names under the hourglass, the bar counting them. Returns false
  // when the run was stopped meanwhile: it then ends with its closing box.
  bool ReadNames() {
    WindowPointer before = WindowPointer::Default;
    trap_.Step(106, [&] {
      before = pointer_.MousePointer();
      pointer_.SetMousePointer(WindowPointer::Hourglass);
    });
    Place();
    const int total = static_cast<int>(job_.Choices().sources.paths.size());
    int read = 0;
    BatchEvents events;
    events.arrived = [&](std::size_t, const BatchOutcome&) {
      ++read;
      bar_.SetProgress(static_cast<double>(read) / total * 100);
      bar_.SetStatusText(QStringLiteral("Reading names: %1 of %2").arg(read).arg(total));
    };
    const bool stopped = job_.ReadNames(events).stopped;
    trap_.Step(148, [&] { pointer_.SetMousePointer(before); });
    ResetBar();
    if (!stopped) return true;
    trap_.Step(146, [&] { job_.RemoveConverter(); });
    FailureNotices notices(dialogs_);
    notices.NotStarted(total);
    trap_.Step(154, [&] { notices.Done(true, QString()); });
    return false;
  }

  // Asks once about documents of the user's that the run would replace, before anything is
  // written. Nothing when the user cancelled.
  std::optional<ExistingDocuments> AskAboutExisting() {
    QStringList existing;
    trap_.Step(106, [&] { existing = job_.DocumentsAlreadyThere(); });
    ExistingAnswer answer = ExistingAnswer::kKeep;
    if (!existing.isEmpty()) {
      trap_.Step(106, [&] { answer = AskAboutExistingDocuments(dialogs_, existing); });
      if (answer == ExistingAnswer::kCancel) return std::nullopt;
    }
    return PlanAnswer(answer);
  }

  // Converts the plan, the boxes in list order; then takes the converter away and gives the
  // closing box. `foundPointer` comes back at the end.
  void ConvertAndClose(ExistingDocuments existing, WindowPointer foundPointer) {
    trap_.Step(132, [&] { job_.MakePlan(existing); });
    FailureNotices notices(dialogs_);
    notices.Skipped(static_cast<int>(job_.Plan().skipped));
    notices.ListedTwice(static_cast<int>(job_.Plan().listedTwice));
    // The window paints the hourglass before the converters start.
    trap_.Step(120, [] { QCoreApplication::processEvents(); });
    const BatchSummary summary = Convert(notices);
    trap_.Step(146, [&] { job_.RemoveConverter(); });
    trap_.Step(148, [&] { pointer_.SetMousePointer(foundPointer); });
    ResetBar();
    const QString folder = notices.ConvertedCount() > 0 && control_.openFolder ? job_.DocumentsFolder() : QString();
    trap_.Step(154, [&] {
      if (notices.Done(summary.stopped, folder, job_.Tally().lines)) control_.openFolder(folder);
    });
  }

 private:
  void ResetBar() {
    trap_.Step(150, [&] { bar_.SetProgress(0); });
    trap_.Step(152, [&] { bar_.SetStatusText(QStringLiteral("Progress Bar")); });
  }

  BatchSummary Convert(FailureNotices& notices) {
    const std::vector<BatchJob>& jobs = job_.Plan().jobs;
    BatchSummary summary;
    std::vector<std::size_t> neverStarted;  // for want of a converter, told after why
    RunBar runBar(bar_, jobs, job_.Choices().options.format == DocumentFormat::kPdf);
    BatchEvents events;
    events.begun = [&](std::size_t index) {
      runBar.Begun(index);
      if (!pointer_.IsBusy()) pointer_.SetMousePointer(WindowPointer::Hourglass);
    };
    events.arrived = [&](std::size_t index, const BatchOutcome&) { runBar.Finished(index); };
    events.inOrder = [&](std::size_t index, const BatchOutcome& outcome) {
      InOrder(notices, index, outcome, neverStarted);
    };
    events.tick = [&] { runBar.Tick(); };
    trap_.Step(138, [&] { summary = job_.Convert(events); });
    FailNeverStarted(notices, summary, neverStarted);
    return summary;
  }

  // The boxes come in list order while the converters go on with the list.
  void InOrder(FailureNotices& notices, std::size_t index, const BatchOutcome& outcome,
               std::vector<std::size_t>& neverStarted) {
    if (outcome.converted) {
      notices.Converted();
      return;
    }
    if (outcome.result == quorlin::serve_protocol::Result::kNotStarted) {
      outcome.reason.isEmpty() ? notices.NotStarted(1) : neverStarted.push_back(index);
      return;
    }
    // Cut short by the user's stop: not a failure of the message.
    if (outcome.result == quorlin::serve_protocol::Result::kStopped) {
      notices.Stopped();
      return;
    }
    // After a stop the failures go to the closing box only.
    if (batches_.StopRequested()) notices.Collect();
    trap_.Step(142, [&] {
      notices.Failed(job_.Plan().jobs[index].source, ReasonForOutcome(outcome.result, outcome.reason).Text());
    });
  }

  // No converter could start: the reason is told once (unless the placement failed and said
  // so already), then each message it left fails for it.
  void FailNeverStarted(FailureNotices& notices, const BatchSummary& summary,
                        const std::vector<std::size_t>& neverStarted) {
    if (!neverStarted.empty() && job_.ConverterPlaced()) {
      trap_.Step(138, [&] {
        throw AppError(QStringLiteral("The converter could not be started: ") + summary.startFailure,
                       error_number::kFileNotFound);
      });
    }
    for (const std::size_t index : neverStarted) {
      trap_.Step(142, [&] {
        notices.Failed(job_.Plan().jobs[index].source,
                       ReasonForOutcome(quorlin::serve_protocol::Result::kNotStarted, {}).Text());
      });
    }
  }

  ConversionJob& job_;
  WindowBatches& batches_;
  ErrorTrap& trap_;
  Dialogs& dialogs_;
  RunProgress& bar_;
  PointerControl& pointer_;
  RunControl& control_;
};

// Whether the run can begin: the list holds rows, and a typed output folder that is not
// there was made when offered.
bool ReadyToRun(const SourceRows& list, const OutputChoice& choice, Dialogs& dialogs, ErrorTrap& trap) {
  if (trap.Test(104, [&] { return list.count() == 0; })) {
    trap.Step(158, [&] { dialogs.ShowMessage(QStringLiteral("No files added.")); });
    return false;
  }
  if (trap.Test(106, [&] { return !choice.besideSource(); })) {
    bool goOn = false;
    trap.Step(156, [&] { goOn = OfferOutputFolder(dialogs, choice.folder()); });
    if (!goOn) return false;
  }
  return true;
}

// The run from the names on: the question about documents on disk, the plan, the
// conversion and the closing box.
void RunJob(ConversionJob& job, WindowRun& run, PointerControl& pointer, ErrorTrap& trap) {
  if (job.ReadsNames() && !run.ReadNames()) return;
  const std::optional<ExistingDocuments> existing = run.AskAboutExisting();
  if (!existing) return;
  // The pointer the run found comes back at its end: a folder add under way keeps its
  // hourglass, so the list stays closed to editing until that add ends too.
  WindowPointer foundPointer = WindowPointer::Default;
  trap.Step(106, [&] {
    foundPointer = pointer.MousePointer();
    pointer.SetMousePointer(WindowPointer::Hourglass);
  });
  run.Place();
  run.ConvertAndClose(*existing, foundPointer);
}

}  // namespace

void ConvertAll(const SourceRows& list, RunProgress& bar, const OutputChoice& choice, Dialogs& dialogs,
                PointerControl& pointer, bool& converting, RunControl& control) {
  ErrorTrap trap(dialogs, kLocation);
  // A click during a run is the Stop button.
  if (trap.Test(100, [&] { return converting; })) {
    control.RequestStop();
    return;
  }
  std::optional<ConvertingFlag> busy;
  trap.Step(102, [&] { busy.emplace(converting); });
  if (!ReadyToRun(list, choice, dialogs, trap)) return;
  JobChoices choices = ReadJobChoices(choice, control, trap);
  // PDF files need LibreOffice: without it the run ends here, saying which package to install.
  if (const QString missing = FormatMissingReason(choices.options.format); !missing.isEmpty()) {
    trap.Step(156, [&] { dialogs.ShowMessage(missing, {}, Dialogs::Icon::Exclamation); });
    return;
  }
  choices.sources = ReadRows(list, trap);
  WindowBatches batches(control);
  ConversionJob job(std::move(choices), std::ref(batches));
  // Closing the window mid-run ends the process without returning here.
  const CleanupRegistration removeOnExit([&job] { job.RemoveConverter(); });
  WindowRun run(job, batches, trap, dialogs, bar, pointer, control);
  RunJob(job, run, pointer, trap);
  // The busy flag is cleared as `busy` goes out of scope.
}

PathChoice ReadPathChoice(const OutputChoice& choice) {
  PathChoice paths;
  paths.toFolder = choice.toChosenFolder();
  paths.beside = choice.besideSource();
  paths.folder = choice.folder();
  return paths;
}
