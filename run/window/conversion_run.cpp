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
#include "run/engine/converter_image.h"
#include "run/engine/converter_placement.h"
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

// Asks the converters for the name the pattern gives each message's document, into `stems`
// (empty where a message could not be read). The bar counts the messages read; Stop ends
// the reading. Returns false when the run was stopped meanwhile.
bool ReadNames(const QStringList& sources, const QString& pattern, BatchSettings settings, RunControl& control,
               RunProgress& bar, std::vector<QString>& stems) {
  settings.request = BatchRequest::kName;
  settings.namePattern = pattern;
  stems.assign(static_cast<std::size_t>(sources.size()), QString());
  BackgroundBatch batch(NameJobs(sources), settings);
  const RunningState running(control, batch);
  const int total = static_cast<int>(sources.size());
  int read = 0;
  BackgroundBatch::Callbacks callbacks;
  callbacks.arrived = [&](std::size_t index, const BatchOutcome& outcome) {
    stems[index] = NameFromOutcome(outcome);
    ++read;
    bar.SetProgress(static_cast<double>(read) / total * 100);
    bar.SetStatusText(QStringLiteral("Reading names: %1 of %2").arg(read).arg(total));
  };
  return !batch.Run(callbacks).stopped;
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

  if (trap.Test(104, [&] { return list.count() == 0; })) {
    trap.Step(158, [&] { dialogs.ShowMessage(QStringLiteral("No files added.")); });
    return;
  }
  // A typed output folder that is not there is offered to be made.
  if (trap.Test(106, [&] { return !choice.besideSource(); })) {
    bool goOn = false;
    trap.Step(156, [&] { goOn = OfferOutputFolder(dialogs, choice.folder()); });
    if (!goOn) return;
  }
  PathChoice paths;
  QString pattern = name_pattern::kFile;
  DocumentFormat format = DocumentFormat::kDoc;
  trap.Step(106, [&] {
    paths = ReadPathChoice(choice);
    if (choice.namePattern) pattern = choice.namePattern();
    if (choice.format) format = choice.format();
    paths.extension = FormatExtension(format);
  });
  // PDF files need LibreOffice: without it the run ends here, saying which package to install.
  if (const QString missing = FormatMissingReason(format); !missing.isEmpty()) {
    trap.Step(156, [&] { dialogs.ShowMessage(missing, {}, Dialogs::Icon::Exclamation); });
    return;
  }
  // The rows as they stand when the run begins.
  RunSources sources;
  int rowCount = 0;
  trap.Step(112, [&] { rowCount = list.count(); });
  for (int row = 1; row <= rowCount && row <= list.count(); ++row) {
    trap.Step(114, [&] {
      sources.paths << list.text(row);
      sources.roots << (list.root ? list.root(row) : QString());
    });
  }
  BatchSettings settings;
  settings.workers = control.workers > 0 ? control.workers : std::max(QThread::idealThreadCount(), 1);
  settings.timeoutMs = TimeLimitSeconds(control) * 1000;

  ConverterPlacement placement;
  const CleanupRegistration removeOnExit([&placement] { placement.Remove(); });
  bool placed = false;
  auto place = [&] {
    QByteArrayView image;
    trap.Step(108, [&] {
      image = control.converterImage.isEmpty() ? ConverterImage() : QByteArrayView(control.converterImage);
    });
    trap.Step(110, [&] { placement.Place(image); });
    settings.converterPath = placement.ConverterPath();
    placed = true;
  };

  // Documents named after their messages: the converters read every message's name first.
  std::vector<QString> stems;
  if (NamesFromMessages(pattern)) {
    WindowPointer before = WindowPointer::Default;
    trap.Step(106, [&] {
      before = pointer.MousePointer();
      pointer.SetMousePointer(WindowPointer::Hourglass);
    });
    place();
    const bool stopped = !ReadNames(sources.paths, pattern, settings, control, bar, stems);
    trap.Step(148, [&] { pointer.SetMousePointer(before); });
    trap.Step(150, [&] { bar.SetProgress(0); });
    trap.Step(152, [&] { bar.SetStatusText(QStringLiteral("Progress Bar")); });
    if (stopped) {
      trap.Step(146, [&] { placement.Remove(); });
      FailureNotices notices(dialogs);
      notices.NotStarted(static_cast<int>(sources.paths.size()));
      trap.Step(154, [&] { notices.Done(true, QString()); });
      return;
    }
  }

  // Documents of the user's that the run would replace: asked about once, before anything
  // is written.
  QStringList existing;
  trap.Step(106, [&] { existing = DocumentsAlreadyThere(sources, paths, stems); });
  ExistingAnswer answer = ExistingAnswer::kKeep;
  if (!existing.isEmpty()) {
    trap.Step(106, [&] { answer = AskAboutExistingDocuments(dialogs, existing); });
    if (answer == ExistingAnswer::kCancel) return;
  }

  // The pointer the run found comes back at its end: a folder add under way keeps its
  // hourglass, so the list stays closed to editing until that add ends too.
  WindowPointer foundPointer = WindowPointer::Default;
  trap.Step(106, [&] {
    foundPointer = pointer.MousePointer();
    pointer.SetMousePointer(WindowPointer::Hourglass);
  });
  if (!placed) place();

  RunPlan plan;
  trap.Step(132, [&] {
    plan = PlanRun(sources, paths, stems,
                   answer == ExistingAnswer::kReplace ? ExistingDocuments::kReplace
                   : answer == ExistingAnswer::kSkip  ? ExistingDocuments::kSkip
                                                      : ExistingDocuments::kKeep);
  });
  FailureNotices notices(dialogs);
  notices.Skipped(static_cast<int>(plan.skipped));
  notices.ListedTwice(static_cast<int>(plan.listedTwice));
  // The window paints the hourglass before the converters start.
  trap.Step(120, [] { QCoreApplication::processEvents(); });

  settings.documents = choice.documents ? choice.documents() : ConversionOptions();
  settings.makeFolders = paths.toFolder && paths.keepFolders;
  settings.pdf = format == DocumentFormat::kPdf;
  settings.pdfScratch = placement.Folder();
  settings.privateFolder = placement.Folder();
  BackgroundBatch batch(plan.jobs, settings);
  BatchSummary summary;
  std::vector<std::optional<BatchOutcome>> outcomes(plan.jobs.size());
  std::vector<std::size_t> neverStarted;  // for want of a converter, told after why
  {
    const RunningState running(control, batch);
    RunBar runBar(bar, plan.jobs, settings.pdf);
    BackgroundBatch::Callbacks callbacks;
    callbacks.begun = [&](std::size_t index) {
      runBar.Begun(index);
      if (!pointer.IsBusy()) pointer.SetMousePointer(WindowPointer::Hourglass);
    };
    callbacks.arrived = [&](std::size_t index, const BatchOutcome& outcome) {
      runBar.Finished(index);
      outcomes[index] = outcome;
    };
    // The boxes come in list order while the converters go on with the list.
    callbacks.inOrder = [&](std::size_t index, const BatchOutcome& outcome) {
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
      if (batch.StopRequested()) notices.Collect();
      trap.Step(142, [&] {
        notices.Failed(plan.jobs[index].source, ReasonForOutcome(outcome.result, outcome.reason).Text());
      });
    };
    callbacks.tick = [&] { runBar.Tick(); };
    trap.Step(138, [&] { summary = batch.Run(callbacks); });
  }

  // No converter could start: the reason is told once (unless the placement failed and
  // said so already), then each message it left fails for it.
  if (!neverStarted.empty() && !settings.converterPath.isEmpty()) {
    trap.Step(138, [&] {
      throw AppError(QStringLiteral("The converter could not be started: ") + summary.startFailure,
                     error_number::kFileNotFound);
    });
  }
  for (const std::size_t index : neverStarted) {
    trap.Step(142, [&] {
      notices.Failed(plan.jobs[index].source, ReasonForOutcome(quorlin::serve_protocol::Result::kNotStarted, {}).Text());
    });
  }

  trap.Step(146, [&] { placement.Remove(); });
  trap.Step(148, [&] { pointer.SetMousePointer(foundPointer); });
  trap.Step(150, [&] { bar.SetProgress(0); });
  trap.Step(152, [&] { bar.SetStatusText(QStringLiteral("Progress Bar")); });
  const QString folder =
      notices.ConvertedCount() > 0 && control.openFolder ? DocumentsFolder(paths, plan) : QString();
  trap.Step(154, [&] {
    if (notices.Done(summary.stopped, folder, TallyRun(plan, outcomes).lines)) control.openFolder(folder);
  });
  // The busy flag is cleared as `busy` goes out of scope.
}

PathChoice ReadPathChoice(const OutputChoice& choice) {
  PathChoice paths;
  paths.toFolder = choice.toChosenFolder();
  paths.beside = choice.besideSource();
  paths.folder = choice.folder();
  paths.keepFolders = choice.keepFolders && choice.keepFolders();
  return paths;
}
