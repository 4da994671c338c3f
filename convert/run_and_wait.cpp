// The start-and-wait loop over a QProcess, in the order the window has always polled:
// query, yield, wait, progress update, yield, test.
#include "convert/run_and_wait.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <optional>
#include <vector>

#include <unistd.h>

#include "convert/converter_reason.h"
#include "convert/progress_arithmetic.h"
#include "convert/progress_bar.h"
#include "platform/app_error.h"
#include "platform/native_names.h"

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

// The exact bytes of a program's arguments, for a start that QProcess's own encoding would
// spoil: it writes each argument as UTF-8, so a name's byte that is not UTF-8 (held as a
// lone surrogate, native_names.h) would name another file. Made before the start, so
// that the child has nothing to build between fork and exec.
class ExactArguments {
 public:
  ExactArguments(const QString& program, const QStringList& arguments) {
    bytes_.push_back(NativeName(program));
    for (const QString& argument : arguments) bytes_.push_back(NativeName(argument));
    for (QByteArray& bytes : bytes_) pointers_.push_back(bytes.data());
    pointers_.push_back(nullptr);
  }
  // Runs in the child just before QProcess's own exec: when this exec succeeds, that one
  // never comes; when it fails, QProcess's exec reports the failure as usual.
  void Exec() const { ::execv(pointers_[0], pointers_.data()); }

 private:
  std::vector<QByteArray> bytes_;
  std::vector<char*> pointers_;
};

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
  const bool rawBytes = HoldsRawBytes(program) || std::any_of(arguments.begin(), arguments.end(), HoldsRawBytes);
  std::optional<ExactArguments> exact;
  if (rawBytes) {
    exact.emplace(program, arguments);
    process.setChildProcessModifier([&exact] { exact->Exec(); });
  }
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
