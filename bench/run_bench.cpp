// The cost of a conversion run against the converter alone: the real "Start Converting"
// handler, headless, over 500 generated messages, and a bare loop that starts the same
// converter bytes on the same files one after the other. Prints both and their ratio
// (goal: the run within 1.3 times the bare loop).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "app/form1.h"
#include "run/converter_image.h"
#include "support/message_files.h"
#include "filelist/file_list.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/qt_settings_store.h"
#include "support/scripted_desktop.h"

extern char** environ;

namespace {

constexpr int kMessages = 500;

// Boxes are counted, never shown; the run must end with "Done." and its counts alone.
class CountingDialogs : public Dialogs {
 public:
  std::vector<QString> messages;
  void ShowMessage(const QString& text, const QString&, Icon) override { messages.push_back(text); }
  bool AskYesNo(const QString&) override { return false; }
  QString InputBox(const QString&, const QString&, const QString&) override { return {}; }
  QString OpenFiles(const QString&, const QString&) override { return {}; }
  QString BrowseForFolder(QWidget*, const QString&, const QString&) override { return {}; }
};

struct Workload {
  QTemporaryDir root;
  QString sources;
  QString outputs;
  QString converter;  // the carried converter bytes, written once for the bare loop
  QStringList files;
};

Workload& TheWorkload() {
  static Workload work;
  return work;
}

void Prepare() {
  Workload& work = TheWorkload();
  QDir root(work.root.path());
  root.mkdir(QStringLiteral("sources"));
  root.mkdir(QStringLiteral("outputs"));
  root.mkdir(QStringLiteral("temp"));
  work.sources = root.filePath(QStringLiteral("sources"));
  work.outputs = root.filePath(QStringLiteral("outputs"));
  qputenv("TEMP", root.filePath(QStringLiteral("temp")).toLocal8Bit());
  // A few kilobytes of RTF per message, like a short mail.
  const std::string paragraph = "Lorem ipsum dolor sit amet, consectetur adipiscing elit. \\par ";
  for (int i = 0; i < kMessages; ++i) {
    const QString name = QStringLiteral("message %1.msg").arg(i, 4, 10, QLatin1Char('0'));
    std::string rtf = run_testing::RtfFor(name);
    rtf.pop_back();
    for (int p = 0; p < 30 + i % 20; ++p) rtf += paragraph;
    rtf += "}";
    const QString path = QDir(work.sources).filePath(name);
    if (!run_testing::WriteMessage(path, rtf)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    work.files << path;
  }
  work.converter = root.filePath(QStringLiteral("Quorlin.exe"));
  QFile file(work.converter);
  file.open(QIODevice::WriteOnly);
  const QByteArrayView image = ConverterImage();
  file.write(image.data(), image.size());
  file.close();
  file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void ClearOutputs() {
  QDir outputs(TheWorkload().outputs);
  for (const QString& name : outputs.entryList(QDir::Files)) outputs.remove(name);
}

double bestLoop = std::numeric_limits<double>::max();
double bestRun = std::numeric_limits<double>::max();

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The floor: start the converter on each file and wait for it, nothing else.
void BM_ConverterLoop(benchmark::State& state) {
  Workload& work = TheWorkload();
  const std::string converter = work.converter.toStdString();
  std::vector<std::pair<std::string, std::string>> jobs;
  for (const QString& source : work.files) {
    const QString output = QDir(work.outputs).filePath(QFileInfo(source).completeBaseName() + QStringLiteral(".doc"));
    jobs.emplace_back(source.toStdString(), output.toStdString());
  }
  for (auto _ : state) {
    state.PauseTiming();
    ClearOutputs();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    for (auto& [source, output] : jobs) {
      char* argv[] = {const_cast<char*>(converter.c_str()), source.data(), output.data(), nullptr};
      pid_t pid = 0;
      if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) {
        state.SkipWithError("the converter does not start");
        return;
      }
      int status = 0;
      waitpid(pid, &status, 0);
    }
    const double seconds = Seconds(start);
    bestLoop = std::min(bestLoop, seconds);
    state.SetIterationTime(seconds);
    state.counters["ms_per_file"] = seconds * 1000 / kMessages;
  }
}

// The real handler on a headless window listing every file.
void BM_ConversionRun(benchmark::State& state) {
  Workload& work = TheWorkload();
  CountingDialogs dialogs;
  ScriptedDesktop desktop;
  QtSettingsStore settings(work.root.path());
  std::unique_ptr<FileSystem> fileSystem = MakeLocalFileSystem();
  Form1Services services;
  services.dialogs = &dialogs;
  services.settings = &settings;
  services.desktop = &desktop;
  services.fileSystem = fileSystem.get();
  services.applicationFolder = work.root.path();
  services.random = [] { return 0.5; };
  services.endProgram = [] {};
  services.cursorPos = [] { return QPoint(); };
  Form1 form(services);
  form.Option1->setChecked(true);
  form.Text1->setText(work.outputs);
  for (const QString& source : work.files) form.ListView1->Append(source);
  for (auto _ : state) {
    state.PauseTiming();
    ClearOutputs();
    dialogs.messages.clear();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    form.PushButton2_Click();
    const double seconds = Seconds(start);
    const QString done = QStringLiteral("Done.\r\n%1 converted, 0 failed").arg(kMessages);
    if (dialogs.messages != std::vector<QString>{done}) {
      state.SkipWithError("the run reported failures");
      return;
    }
    bestRun = std::min(bestRun, seconds);
    state.SetIterationTime(seconds);
    state.counters["ms_per_file"] = seconds * 1000 / kMessages;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  Prepare();
  benchmark::RegisterBenchmark("converter_loop_500", BM_ConverterLoop)
      ->UseManualTime()->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("conversion_run_500", BM_ConversionRun)
      ->UseManualTime()->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (bestLoop < std::numeric_limits<double>::max() && bestRun < std::numeric_limits<double>::max()) {
    std::printf("\n%d messages: converter alone %.1f ms (%.2f ms/file), conversion run %.1f ms "
                "(%.2f ms/file), ratio %.2f (goal: at most 1.30)\n",
                kMessages, bestLoop * 1000, bestLoop * 1000 / kMessages, bestRun * 1000,
                bestRun * 1000 / kMessages, bestRun / bestLoop);
  }
  return 0;
}
