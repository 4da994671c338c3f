// The start-and-wait loop over a QProcess, in the order the window has always polled:
// query, yield, wait, progress update, yield, test.
#include "run/run_and_wait.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include "run/converter_reason.h"
#include "run/progress_arithmetic.h"
#include "run/progress_bar.h"
#include "platform/app_error.h"

namespace {

constexpr int kPollMilliseconds = 100;

void Yield() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

// The exit status as the poll sees it: still active while the program runs.
int QueryStatus(const QProcess& process) {
  if (process.state() != QProcess::NotRunning) return run_and_wait::kStillActive;
  if (process.exitStatus() == QProcess::CrashExit) {
    return run_and_wait::kSignalStatusBase + process.exitCode();
  }
  return process.exitCode();
}

}  // namespace

int StartErrorNumber(const QString& program) {
  if (program.isEmpty()) return error_number::kFileNotFound;
  QString path = program;
  if (!program.contains(QLatin1Char('/'))) {
    path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return error_number::kFileNotFound;
  }
  const QFileInfo info(path);
  if (!info.exists()) return error_number::kFileNotFound;
  if (!info.isDir() && (!info.isExecutable() || !info.isReadable())) {
    return error_number::kPermissionDenied;
  }
  return error_number::kInvalidArgument;
}

int RunAndWait(const QString& program, const QStringList& arguments, int windowStyle,
               ProgressBar* bar, const QString& statusText, int startValue, int fileCount,
               QString* startFailure, QString* reason) {
  static_cast<void>(windowStyle);
  if (reason != nullptr) reason->clear();
  // The value computation divides by the file count; refuse a count of 0 before anything
  // runs rather than abandon a started program half way.
  if (bar != nullptr) static_cast<void>(progress::Step(fileCount));

  QProcess process;
  process.setProgram(program);
  process.setArguments(arguments);
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(QProcess::nullDevice());
  // Standard error is read as it comes, so the program never blocks on a full pipe.
  ErrorOutput errorOutput;
  process.start();
  if (!process.waitForStarted(-1)) {
    if (startFailure != nullptr) *startFailure = process.errorString();
    return StartErrorNumber(program) + run_and_wait::kStartErrorBase;
  }

  // The bar may go away while the window handles events during the wait.
  const QPointer<ProgressBar> display(bar);
  const bool counting = bar != nullptr;
  int tick = 0;
  int status = 0;
  for (;;) {
    status = QueryStatus(process);
    Yield();
    process.waitForFinished(kPollMilliseconds);
    errorOutput.Append(process.readAllStandardError());
    if (counting) {
      Yield();
      ++tick;
      if (tick >= progress::kFirstWaitingTick) {
        Yield();
        if (display) display->SetStatusText(progress::WaitingText(statusText, tick));
        const auto value = progress::ValueAtTick(tick, startValue, fileCount);
        if (display && value) display->SetProgress(*value);
        Yield();
      }
      Yield();
    }
    Yield();
    if (status != run_and_wait::kStillActive) break;
  }
  errorOutput.Append(process.readAllStandardError());
  if (reason != nullptr) *reason = errorOutput.Reason();
  if (display) display->SetStatusText(progress::FinalText(statusText));
  return status;
}
