// ConvertAll: the run's busy flag, the converter's placement and removal, and the loop that
// converts one row after the other.
#include "run/conversion_run.h"

#include <QCoreApplication>
#include <algorithm>
#include <optional>

#include "run/converter_image.h"
#include "run/converter_placement.h"
#include "run/converter_reason.h"
#include "run/document_options.h"
#include "run/existing_documents.h"
#include "run/failure_notices.h"
#include "run/output_names.h"
#include "run/progress_arithmetic.h"
#include "run/progress_bar.h"
#include "run/run_and_wait.h"
#include "platform/app_error.h"
#include "platform/dialogs.h"
#include "platform/error_trap.h"
#include "platform/paths.h"
#include "platform/pointer_control.h"
#include "platform/shutdown.h"

namespace {

const QString kLocation = QStringLiteral("in Lorvane2021/08/31.Form1.PushButton2_Click ");

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

// Keeps the converter's removal registered while the run may be cut short by the window
// closing, which ends the process without returning here.
class CleanupRegistration {
 public:
  explicit CleanupRegistration(ConverterPlacement& placement)
      : id_(RegisterCleanup([&placement] { placement.Remove(); })) {}
  ~CleanupRegistration() { UnregisterCleanup(id_); }
  CleanupRegistration(const CleanupRegistration&) = delete;
  CleanupRegistration& operator=(const CleanupRegistration&) = delete;

 private:
  int id_;
};

// Converts each row that was in the list when the loop began, for as long
// as the list still holds it.
void ConvertRows(const SourceRows& list, ProgressBar& bar, const OutputChoice& choice, PointerControl& pointer,
                 ErrorTrap& trap, const ConverterPlacement& placement, OutputNames& names,
                 FailureNotices& notices) {
  // A converter that was placed but cannot start fails every row for one reason: the user
  // is told that reason once.
  bool startFailureShown = false;
  QString wantedOutput;  // keeps its value from row to row when neither option is selected

  int rowCount = 0;
  trap.Step(112, [&] { rowCount = list.count(); });
  for (int row = 1; row <= rowCount; ++row) {
    // Rows removed while the run yielded: there is nothing more to read.
    if (row > list.count()) break;
    QString source;
    QString output;
    trap.Step(114, [&] { source = list.text(row); });
    trap.Step(116, [&] { bar.SetProgress(static_cast<double>(row) / list.count() * 100); });
    trap.Step(118, [&] { bar.SetStatusText(QStringLiteral("Processing: ") + GetFileName(source)); });
    trap.Step(120, [] { QCoreApplication::processEvents(); });
    trap.Step(122, [&] { pointer.SetMousePointer(WindowPointer::Hourglass); });
    if (trap.Test(124, [&] { return choice.toChosenFolder(); })) {
      trap.Step(126, [&] { wantedOutput = *BuildOutputPath(true, false, choice.folder(), source); });
    } else if (trap.Test(128, [&] { return choice.besideSource(); })) {
      trap.Step(130, [&] { wantedOutput = *BuildOutputPath(false, true, choice.folder(), source); });
    }
    // Two different sources never share a document within one run.
    trap.Step(132, [&] {
      output = CollapseBackslashes(wantedOutput);
      if (!output.isEmpty()) output = names.Claim(source, output);
    });
    QString program;
    QStringList arguments;
    trap.Step(134, [&] { program = placement.ConverterPath(); });
    trap.Step(136, [&] { arguments = ConverterArguments(source, output, choice.documents ? choice.documents() : DocumentOptions()); });
    int status = kConverterNotRun;
    QString reason;
    trap.Step(138, [&] {
      // The row in hand still counts as one file when the list was emptied meanwhile.
      const int fileCount = std::max(list.count(), 1);
      QString startFailure;
      status = RunAndWait(program, arguments, run_and_wait::kHidden, &bar, bar.StatusText(),
                          static_cast<int>(progress::RoundHalfEven(bar.Progress())), fileCount,
                          &startFailure, &reason);
      // Without a placed converter the placement's own failure has been shown already.
      if (!startFailure.isEmpty() && !program.isEmpty() && !startFailureShown) {
        startFailureShown = true;
        throw AppError(QStringLiteral("The converter could not be started: ") + startFailure,
                       status - run_and_wait::kStartErrorBase);
      }
    });
    // A converter that failed fails the row even when an older document stands at the path.
    if (trap.Test(140, [&] { return status != 0 || !FileExists(output); })) {
      trap.Step(142, [&] { notices.Failed(source, FailureReason(reason, status)); });
    } else {
      notices.Converted();
    }
  }
}

}  // namespace

void ConvertAll(const SourceRows& list, ProgressBar& bar, const OutputChoice& choice, Dialogs& dialogs,
                PointerControl& pointer, bool& converting) {
  ErrorTrap trap(dialogs, kLocation);
  if (trap.Test(100, [&] { return converting; })) return;
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
  OutputNames names = NamesForRun(answer == ExistingAnswer::kReplace
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
  trap.Step(108, [&] { image = ConverterImage(); });
  ConverterPlacement placement;
  const CleanupRegistration removeOnExit(placement);
  trap.Step(110, [&] { placement.Place(image); });

  FailureNotices notices(dialogs);
  ConvertRows(list, bar, choice, pointer, trap, placement, names, notices);

  trap.Step(146, [&] { placement.Remove(); });
  trap.Step(148, [&] { pointer.SetMousePointer(foundPointer); });
  trap.Step(150, [&] { bar.SetProgress(0); });
  trap.Step(152, [&] { bar.SetStatusText(QStringLiteral("Progress Bar")); });
  trap.Step(154, [&] { notices.Done(); });
  // The busy flag is cleared as `busy` goes out of scope.
}
