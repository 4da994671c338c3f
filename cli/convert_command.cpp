// The command's course: options, set-up checks, the gathering of messages and their output
// names, the batch run with its progress and failure lines, the report and the closing line.
#include "cli/convert_command.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>
#include <QThread>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "cli/console_dialogs.h"
#include "cli/convert_options.h"
#include "cli/progress_line.h"
#include "run/plan/run_report.h"
#include "cli/stop_signals.h"
#include "cli/terminal_text.h"
#include "filelist/folder_scan.h"
#include "platform/app_error.h"
#include "platform/error_trap.h"
#include "platform/file_system.h"
#include "platform/make_folders.h"
#include "platform/native_names.h"
#include "platform/paths.h"
#include "run/engine/batch_run.h"
#include "run/conversion_job.h"
#include "run/plan/converter_reason.h"
#include "run/plan/output_names.h"
#include "run/plan/run_plan.h"
#include "run/plan/run_tally.h"

namespace {

const QString kScanLocation = QStringLiteral("in lorvane convert ");

class Console {
 public:
  explicit Console(const CommandEnvironment& environment) : environment_(environment) {}
  void Error(const QString& text) const {
    std::fprintf(environment_.err, "lorvane convert: %s\n", TerminalText(text).constData());
    std::fflush(environment_.err);
  }
  int UsageError(const QString& text) const {
    Error(text);
    std::fputs("Try 'lorvane convert --help'.\n", environment_.err);
    return exit_status::kUsage;
  }
  int SetUpError(const QString& text) const {
    Error(text);
    return exit_status::kUsage;
  }
  // Paths that hold no message: said even with --quiet.
  int NoMessage(const QString& extension) const {
    Error(extension == QStringLiteral("*")
              ? QStringLiteral("no message was found: the folders given hold no file")
              : QStringLiteral("no message was found: the folders given hold no file ending in .%1 "
                               "(--extension chooses another)")
                    .arg(extension));
    return exit_status::kNoMessage;
  }

 private:
  const CommandEnvironment& environment_;
};

#ifdef _WIN32
// Windows says little through a folder's attributes (a read-only folder takes new files):
// a file made there and removed again tells.
bool WritableFolder(const QString& folder) {
  if (!NativeIsFolder(folder)) return false;
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".lorvane-XXXXXX")));
  return probe.open();
}

// The path made absolute, in the system's own separators.
QString Absolute(const QString& path) {
  return QDir::toNativeSeparators(QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path));
}
#else
bool WritableFolder(const QString& folder) {
  return NativeIsFolder(folder) && ::access(NativeName(folder).constData(), W_OK | X_OK) == 0;
}

// The path made absolute as text only, so that every byte of the name stays as given.
QString Absolute(const QString& path) {
  return QDir::cleanPath(path.startsWith(u'/') ? path : QDir::currentPath() + u'/' + path);
}
#endif

// The report's path, when one is asked for, is no message of the run and nothing the report
// may not replace. The status to end with when it is.
std::optional<int> CheckReportPath(const ConvertOptions& options, const Console& console, const QStringList& sources) {
  if (options.reportPath.isEmpty()) return std::nullopt;
  if (const QString problem = ReportPathProblem(Absolute(options.reportPath), sources); !problem.isEmpty())
    return console.SetUpError(problem);
  return std::nullopt;
}

// The messages to convert, each with the folder it was found through (empty for a file
// named by itself).
struct Sources {
  QStringList paths;
  QStringList roots;
  QStringList unreadable;  // folders whose listing the system refused
};

// Every message the paths name, in the order given: a file as it is, a folder's files by
// the folder scan's rules. A source named twice is converted once, found through the first
// path that named it.
Sources GatherSources(const QStringList& paths, const ConvertOptions& options, ConsoleDialogs& dialogs,
                      const StopSignals& stop) {
  const std::unique_ptr<FileSystem> fileSystem = MakeLocalFileSystem();
  ErrorTrap trap(dialogs, kScanLocation);
  Sources sources;
  QSet<QString> seen;
  const QString pattern = QStringLiteral("*.") + options.extension;
  for (const QString& path : paths) {
    if (stop.Received() != 0) break;
    QStringList found;
    const bool folder = NativeIsFolder(path);
    if (folder) {
      QStringList folders{path.endsWith(PathSeparator()) ? path : path + PathSeparator()};
      const ScanStopped stopped = [&stop] { return stop.Received() != 0; };
      GetSubDirectories2016(folders, true, *fileSystem, dialogs, stopped, &sources.unreadable);
      found = QualifyingFiles(*fileSystem, folders, pattern, &trap, stopped);
    } else {
      found = {path};
    }
    for (const QString& source : found) {
      if (!seen.contains(source)) {
        seen.insert(source);
        sources.paths << source;
        sources.roots << (folder ? path : QString());
      }
    }
  }
  return sources;
}

// The set-up checks before anything is placed or written: the format can be made, every
// path is there, the output folder is there (made when missing) and writable, the report's
// folder is writable. Returns the status to end with when one fails; `paths` gets the
// paths made absolute and `outputFolder` the output folder's (empty with --beside).
std::optional<int> CheckSetUp(const ConvertOptions& options, const Console& console, QStringList& paths,
                              QString& outputFolder) {
  if (const QString missing = FormatMissingReason(options.run.format); !missing.isEmpty())
    return console.SetUpError(missing);
  for (const QString& path : options.paths) {
    if (!NativeExists(path)) return console.SetUpError(QStringLiteral("no such file or folder: ") + path);
    paths << Absolute(path);
  }
  outputFolder = options.beside ? QString() : Absolute(options.outputFolder);
  if (!options.beside) {
    // A folder that is not there yet is made, as `mkdir -p` makes it.
    if (!NativeIsFolder(outputFolder)) {
      QString failure;
      if (!MakeFolderPath(outputFolder, failure))
        return console.SetUpError(QStringLiteral("the output folder could not be made: ") + failure);
      if (!options.quiet) console.Error(QStringLiteral("made the output folder ") + options.outputFolder);
    }
    if (!WritableFolder(outputFolder))
      return console.SetUpError(QStringLiteral("the output folder is not writable: ") + options.outputFolder);
  }
  if (!options.reportPath.isEmpty()) {
    const QString reportFolder = QFileInfo(Absolute(options.reportPath)).path();
    if (!WritableFolder(reportFolder))
      return console.SetUpError(QStringLiteral("the report's folder is missing or not writable: ") + reportFolder);
    if (NativeIsFolder(options.reportPath))
      return console.SetUpError(QStringLiteral("the report path is a folder: ") + options.reportPath);
  }
  return CheckReportPath(options, console, {});
}

// What the command line chose for the run over the messages found.
JobChoices ChoicesFor(const ConvertOptions& options, const Sources& found, const QString& outputFolder,
                      const StopSignals& stop, const CommandEnvironment& environment) {
  JobChoices choices;
  choices.sources = {found.paths, found.roots};
  choices.paths.toFolder = !options.beside;
  choices.paths.beside = options.beside;
  choices.paths.folder = outputFolder;
  choices.options = options.run;
  choices.documents = options.documents;
  choices.workers = options.jobs;
  choices.timeoutSeconds = options.timeoutSeconds;
  choices.converterImage = environment.converterImage;
  choices.stopDescriptor = stop.Descriptor();
  choices.stopped = [&stop] { return stop.Received() != 0; };
  return choices;
}

// Places the converter once; the status to end with when it cannot be placed.
std::optional<int> PlaceConverter(ConversionJob& job, const Console& console) {
  try {
    job.PlaceConverter();
  } catch (const AppError& error) {
    return console.SetUpError(QStringLiteral("the converter could not be placed: ") + error.description());
  }
  return std::nullopt;
}

// Names from the messages: the converters read each message's name first, in parallel.
std::optional<int> ReadNames(ConversionJob& job, const Console& console, const StopSignals& stop) {
  if (!job.ReadsNames() || stop.Received() != 0) return std::nullopt;
  if (const std::optional<int> status = PlaceConverter(job, console)) return status;
  const BatchSummary named = job.ReadNames({});
  if (!named.startFailure.isEmpty() && named.finished == 0)
    return console.SetUpError(QStringLiteral("the converter could not be started: ") + named.startFailure);
  return std::nullopt;
}

// What the command shows while the messages are converted: the progress line, each distinct
// notice once and each failure as it arrives, in whatever order the converters finish.
class ConvertingView {
 public:
  ConvertingView(const ConvertOptions& options, const CommandEnvironment& environment, const Console& console,
                 const std::vector<BatchJob>& jobs)
      : console_(console),
        jobs_(jobs),
        progress_(environment.err, environment.errIsTerminal && !options.quiet, jobs.size()) {
    progress_.Update(0, 0, true);
  }

  BatchEvents Events() {
    BatchEvents events;
    events.tick = [this] { progress_.Update(done_, failed_, false); };
    events.arrived = [this](std::size_t index, const BatchOutcome& outcome) { Arrived(index, outcome); };
    return events;
  }
  void Clear() { progress_.Clear(); }

 private:
  void Arrived(std::size_t index, const BatchOutcome& outcome) {
    if (outcome.result == quorlin::serve_protocol::Result::kNotStarted) return;
    ++done_;
    // Each distinct notice once, whichever message gave it first.
    for (const QString& notice : outcome.notices) {
      if (noticesShown_.contains(notice)) continue;
      noticesShown_.insert(notice);
      progress_.Clear();
      console_.Error(QStringLiteral("notice: ") + notice);
    }
    // A message cut short by the stop did not fail: the closing line counts it as stopped.
    if (!outcome.converted && outcome.result != quorlin::serve_protocol::Result::kStopped) {
      ++failed_;
      progress_.Clear();
      console_.Error(QStringLiteral("failed: ") + jobs_[index].source + QStringLiteral(": ") +
                     ReasonForOutcome(outcome.result, outcome.reason).Text());
    }
    progress_.Update(done_, failed_, done_ == jobs_.size());
  }

  const Console& console_;
  const std::vector<BatchJob>& jobs_;
  ProgressLine progress_;
  std::size_t done_ = 0;
  std::size_t failed_ = 0;
  QSet<QString> noticesShown_;
};

// Converts the plan's messages unless there are none or a stop came first. Returns the
// status to end with when no converter could be placed or started.
std::optional<int> Convert(ConversionJob& job, const ConvertOptions& options, const CommandEnvironment& environment,
                           const Console& console, const StopSignals& stop, BatchSummary& summary) {
  const std::vector<BatchJob>& jobs = job.Plan().jobs;
  if (jobs.empty() || stop.Received() != 0) return std::nullopt;
  if (const std::optional<int> status = PlaceConverter(job, console)) return status;
  ConvertingView view(options, environment, console, jobs);
  summary = job.Convert(view.Events());
  view.Clear();
  job.RemoveConverter();
  if (!summary.startFailure.isEmpty() && summary.finished == 0)
    return console.SetUpError(QStringLiteral("the converter could not be started: ") + summary.startFailure);
  return std::nullopt;
}

// The closing line: the counts of every message, with what was stopped, not started,
// skipped, listed twice, numbered and not read when there was any.
QString ClosingLine(const RunTally& tally, const RunPlan& plan, std::size_t unreadable, int signal) {
  QString closing = QStringLiteral("Converted %1 of %2 messages, %3 failed")
                        .arg(tally.converted)
                        .arg(plan.messages.size())
                        .arg(tally.failed);
  if (tally.stopped > 0) closing += QStringLiteral(", %1 stopped").arg(tally.stopped);
  if (tally.notStarted > 0) closing += QStringLiteral(", %1 not started").arg(tally.notStarted);
  if (plan.skipped > 0) closing += QStringLiteral(", %1 skipped (already there)").arg(plan.skipped);
  if (plan.listedTwice > 0) closing += QStringLiteral(", %1 listed twice").arg(plan.listedTwice);
  if (tally.numbered > 0) closing += QStringLiteral(", %1 written under numbered names").arg(tally.numbered);
  if (unreadable > 0)
    closing += QStringLiteral(", %1 %2 could not be read")
                   .arg(unreadable)
                   .arg(unreadable == 1 ? QStringLiteral("folder") : QStringLiteral("folders"));
  if (signal != 0) closing = QStringLiteral("Interrupted. ") + closing;
  return closing;
}

// The end of the run: the failure lines of folders not read, the report, the closing line
// and the exit status.
int Finish(const ConversionJob& job, const BatchSummary& summary, const Sources& found, const ConvertOptions& options,
           const CommandEnvironment& environment, const Console& console, const StopSignals& stop) {
  // Every message of the plan, in list order: converted, failed, skipped or not started.
  RunTally tally = job.Tally();
  // A folder that could not be searched is named as failed, never passed over in silence.
  for (const QString& folder : found.unreadable) {
    const QString reason = QStringLiteral("The folder could not be read: Permission denied.");
    console.Error(QStringLiteral("failed: ") + folder + QStringLiteral(": ") + reason);
    tally.lines.push_back({folder, QString(), QStringLiteral("failed"), reason});
  }
  const std::size_t unreadable = static_cast<std::size_t>(found.unreadable.size());
  bool reportWritten = true;
  if (!options.reportPath.isEmpty()) {
    QString failure;
    reportWritten = WriteReport(options.reportPath, tally.lines, failure);
    if (!reportWritten) console.Error(QStringLiteral("the report could not be written: ") + failure);
  }
  const int signal = stop.Received();
  // Paths that hold no message are most likely a mistake (a wrong folder, a folder of
  // another extension): said even with --quiet, and told apart by the status. A folder
  // that could not be read or a report that could not be written is a failure first.
  if (job.Plan().messages.empty() && signal == 0 && unreadable == 0 && reportWritten)
    return console.NoMessage(options.extension);
  // The counts close every run unless --quiet asks for silence.
  if (!options.quiet) {
    std::fprintf(environment.err, "%s.\n", qPrintable(ClosingLine(tally, job.Plan(), unreadable, signal)));
    std::fflush(environment.err);
  }
  if (signal != 0) return 128 + signal;
  if (!summary.startFailure.isEmpty()) {
    console.Error(QStringLiteral("the converter could not be started: ") + summary.startFailure);
    return exit_status::kSomeFailed;
  }
  const bool allConverted =
      tally.failed == 0 && tally.stopped == 0 && tally.notStarted == 0 && unreadable == 0 && reportWritten;
  return allConverted ? exit_status::kAllConverted : exit_status::kSomeFailed;
}

}  // namespace

CommandEnvironment ConsoleEnvironment() {
  CommandEnvironment environment;
  environment.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
  environment.cores = std::max(QThread::idealThreadCount(), 1);
  return environment;
}

int RunConvertCommand(const QStringList& arguments, const CommandEnvironment& environment) {
  const Console console(environment);
  QString usage;
  const std::optional<ConvertOptions> parsed = ParseConvertOptions(arguments, environment.cores, usage);
  if (!parsed) return console.UsageError(usage);
  const ConvertOptions& options = *parsed;
  if (options.help || options.version) {
    std::fputs(qPrintable(options.help ? ConvertHelpText() : ConvertVersionText()), environment.out);
    return exit_status::kAllConverted;
  }
  QStringList paths;
  QString outputFolder;
  if (const std::optional<int> status = CheckSetUp(options, console, paths, outputFolder)) return *status;

  const StopSignals stop;
  ConsoleDialogs dialogs(environment.err);
  const Sources found = GatherSources(paths, options, dialogs, stop);
  if (const std::optional<int> status = CheckReportPath(options, console, found.paths)) return *status;

  ConversionJob job(ChoicesFor(options, found, outputFolder, stop, environment), RunInThisThread);
  if (const std::optional<int> status = ReadNames(job, console, stop)) return *status;
  // The plan: the window's names and rules. A stop ends the planning too, and then nothing
  // is converted.
  job.MakePlan(options.replace        ? ExistingDocuments::kReplace
               : options.skipExisting ? ExistingDocuments::kSkip
                                      : ExistingDocuments::kKeep);
  BatchSummary summary;
  if (const std::optional<int> status = Convert(job, options, environment, console, stop, summary)) return *status;
  return Finish(job, summary, found, options, environment, console, stop);
}
