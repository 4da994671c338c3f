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

#include "platform/error_trap.h"
#include "cli/console_dialogs.h"
#include "cli/convert_options.h"
#include "cli/progress_line.h"
#include "run/plan/run_report.h"
#include "cli/stop_signals.h"
#include "cli/terminal_text.h"
#include "run/engine/batch_run.h"
#include "run/engine/converter_image.h"
#include "run/engine/converter_placement.h"
#include "run/plan/converter_reason.h"
#include "run/plan/name_pass.h"
#include "run/plan/output_names.h"
#include "run/plan/run_plan.h"
#include "run/plan/run_tally.h"
#include "filelist/folder_scan.h"
#include "platform/app_error.h"
#include "platform/file_system.h"
#include "platform/make_folders.h"
#include "platform/native_names.h"
#include "platform/paths.h"

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
  if (options.help) {
    std::fputs(qPrintable(ConvertHelpText()), environment.out);
    return exit_status::kAllConverted;
  }
  if (options.version) {
    std::fputs(qPrintable(ConvertVersionText()), environment.out);
    return exit_status::kAllConverted;
  }

  // Set-up checks, before anything is placed or written.
  if (const QString missing = FormatMissingReason(options.format); !missing.isEmpty())
    return console.SetUpError(missing);
  QStringList paths;
  for (const QString& path : options.paths) {
    if (!NativeExists(path)) return console.SetUpError(QStringLiteral("no such file or folder: ") + path);
    paths << Absolute(path);
  }
  const QString outputFolder = options.beside ? QString() : Absolute(options.outputFolder);
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
    if (const QString problem = ReportPathProblem(Absolute(options.reportPath), {}); !problem.isEmpty())
      return console.SetUpError(problem);
  }

  const StopSignals stop;
  ConsoleDialogs dialogs(environment.err);
  const Sources found = GatherSources(paths, options, dialogs, stop);
  const QStringList& sources = found.paths;
  if (!options.reportPath.isEmpty()) {
    if (const QString problem = ReportPathProblem(Absolute(options.reportPath), sources); !problem.isEmpty())
      return console.SetUpError(problem);
  }

  ConverterPlacement placement;
  auto place = [&]() -> QString {
    try {
      placement.Place(environment.converterImage.isEmpty() ? ConverterImage()
                                                           : QByteArrayView(environment.converterImage));
    } catch (const AppError& error) {
      return error.description();
    }
    return {};
  };
  BatchSettings settings;
  settings.workers = options.jobs;
  settings.documents = options.documents;
  settings.timeoutMs = options.timeoutSeconds * 1000;
  settings.stopDescriptor = stop.Descriptor();
  settings.makeFolders = options.tree;

  // Names from the messages: the converters read each message's name first, in parallel.
  std::vector<QString> stems(static_cast<std::size_t>(sources.size()));
  if (NamesFromMessages(options.namePattern) && !sources.isEmpty() && stop.Received() == 0) {
    if (const QString failure = place(); !failure.isEmpty())
      return console.SetUpError(QStringLiteral("the converter could not be placed: ") + failure);
    BatchSettings naming = settings;
    naming.converterPath = placement.ConverterPath();
    naming.request = BatchRequest::kName;
    naming.namePattern = options.namePattern;
    const BatchSummary named = RunBatch(NameJobs(sources), naming, [&](std::size_t index, const BatchOutcome& outcome) {
      stems[index] = NameFromOutcome(outcome);
    });
    if (!named.startFailure.isEmpty() && named.finished == 0)
      return console.SetUpError(QStringLiteral("the converter could not be started: ") + named.startFailure);
  }

  // The plan: the window's names and rules. A stop ends the planning too, and then nothing
  // is converted.
  PathChoice pathChoice;
  pathChoice.toFolder = !options.beside;
  pathChoice.beside = options.beside;
  pathChoice.folder = outputFolder;
  pathChoice.keepFolders = options.tree;
  pathChoice.extension = FormatExtension(options.format);
  const RunPlan plan = PlanRun({sources, found.roots}, pathChoice, stems,
                               options.replace        ? ExistingDocuments::kReplace
                               : options.skipExisting ? ExistingDocuments::kSkip
                                                      : ExistingDocuments::kKeep,
                               [&stop] { return stop.Received() != 0; });
  const std::vector<BatchJob>& jobs = plan.jobs;

  std::vector<std::optional<BatchOutcome>> outcomes(jobs.size());
  BatchSummary summary;
  if (!jobs.empty() && stop.Received() == 0) {
    if (placement.ConverterPath().isEmpty()) {
      if (const QString failure = place(); !failure.isEmpty())
        return console.SetUpError(QStringLiteral("the converter could not be placed: ") + failure);
    }
    settings.converterPath = placement.ConverterPath();
    // A PDF's document and what the converter saves with it stay in the run's own folder.
    settings.pdf = options.format == DocumentFormat::kPdf;
    settings.pdfScratch = placement.Folder();
    settings.privateFolder = placement.Folder();

    ProgressLine progress(environment.err, environment.errIsTerminal && !options.quiet, jobs.size());
    std::size_t done = 0;
    std::size_t failed = 0;
    progress.Update(0, 0, true);
    QSet<QString> noticesShown;
    // Outcomes are counted as they arrive, in whatever order the converters finish.
    settings.tick = [&] { progress.Update(done, failed, false); };
    summary = RunBatch(jobs, settings, [&](std::size_t index, const BatchOutcome& outcome) {
      outcomes[index] = outcome;
      if (outcome.result == quorlin::serve_protocol::Result::kNotStarted) return;
      ++done;
      // Each distinct notice once, whichever message gave it first.
      for (const QString& notice : outcome.notices) {
        if (noticesShown.contains(notice)) continue;
        noticesShown.insert(notice);
        progress.Clear();
        console.Error(QStringLiteral("notice: ") + notice);
      }
      // A message cut short by the stop did not fail: the closing line counts it as stopped.
      if (!outcome.converted && outcome.result != quorlin::serve_protocol::Result::kStopped) {
        ++failed;
        progress.Clear();
        console.Error(QStringLiteral("failed: ") + jobs[index].source + QStringLiteral(": ") +
                      ReasonForOutcome(outcome.result, outcome.reason).Text());
      }
      progress.Update(done, failed, done == jobs.size());
    });
    progress.Clear();
    placement.Remove();
    if (!summary.startFailure.isEmpty() && summary.finished == 0)
      return console.SetUpError(QStringLiteral("the converter could not be started: ") + summary.startFailure);
  }

  // Every message of the plan, in list order: converted, failed, skipped or not started.
  RunTally tally = TallyRun(plan, outcomes);
  std::vector<ReportLine>& lines = tally.lines;
  // A folder that could not be searched is named as failed, never passed over in silence.
  for (const QString& folder : found.unreadable) {
    const QString reason = QStringLiteral("The folder could not be read: Permission denied.");
    console.Error(QStringLiteral("failed: ") + folder + QStringLiteral(": ") + reason);
    lines.push_back({folder, QString(), QStringLiteral("failed"), reason});
  }
  const std::size_t unreadable = static_cast<std::size_t>(found.unreadable.size());
  bool reportWritten = true;
  if (!options.reportPath.isEmpty()) {
    QString failure;
    reportWritten = WriteReport(options.reportPath, lines, failure);
    if (!reportWritten) console.Error(QStringLiteral("the report could not be written: ") + failure);
  }

  const int signal = stop.Received();
  // Paths that hold no message are most likely a mistake (a wrong folder, a folder of
  // another extension): said even with --quiet, and told apart by the status. A folder
  // that could not be read or a report that could not be written is a failure first.
  if (plan.messages.empty() && signal == 0 && unreadable == 0 && reportWritten) {
    console.Error(options.extension == QStringLiteral("*")
                      ? QStringLiteral("no message was found: the folders given hold no file")
                      : QStringLiteral("no message was found: the folders given hold no file ending in .%1 "
                                       "(--extension chooses another)")
                            .arg(options.extension));
    return exit_status::kNoMessage;
  }
  // The counts close every run unless --quiet asks for silence.
  if (!options.quiet) {
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
    std::fprintf(environment.err, "%s.\n", qPrintable(closing));
    std::fflush(environment.err);
  }
  if (signal != 0) return 128 + signal;
  if (!summary.startFailure.isEmpty()) {
    console.Error(QStringLiteral("the converter could not be started: ") + summary.startFailure);
    return exit_status::kSomeFailed;
  }
  const bool allConverted = tally.failed == 0 && tally.stopped == 0 && tally.notStarted == 0 && unreadable == 0 && reportWritten;
  return allConverted ? exit_status::kAllConverted : exit_status::kSomeFailed;
}
