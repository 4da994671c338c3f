// The window's conversion run against the converter alone and against the command: the
// real "Start Converting" handler, headless, over 2,000 generated messages; a bare shell
// loop that starts the same converter bytes on the same files one after the other; and
// `lorvane convert` over the same folder. Prints all three and the ratios (goals: the
// window's run at most 0.4 times the bare loop and at most 1.3 times the command).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "run/engine/converter_image.h"
#include "support/message_files.h"
#include "filelist/file_list.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/qt_settings_store.h"
#include "support/scripted_desktop.h"


namespace {

constexpr int kMessages = 2000;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Boxes are counted, never shown; the run must end with "Done." and its counts alone (the
// closing box comes here through the base's plain message).
class CountingDialogs : public Dialogs {
 public:
  std::vector<QString> messages;
  void ShowMessage(const QString& text, const QString&, Icon) override { messages.push_back(text); }
  bool AskYesNo(const QString&, bool) override { return false; }
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

double bestCommand = std::numeric_limits<double>::max();

// The floor a script would write: a shell loop that starts the converter on each file.
void BM_ConverterLoop(benchmark::State& state) {
  Workload& work = TheWorkload();
  QFile list(QDir(work.root.path()).filePath(QStringLiteral("list.txt")));
  list.open(QIODevice::WriteOnly);
  for (const QString& source : work.files) list.write(QFile::encodeName(source) + '\n');
  list.close();
  const std::string loop =
      "bash -c " + Quote("while IFS= read -r f; do n=${f##*/}; " + Quote(work.converter.toStdString()) + " \"$f\" " +
                         Quote(work.outputs.toStdString()) + "/\"${n%.msg}.doc\" 2>/dev/null; done < " +
                         Quote(list.fileName().toStdString()));
  for (auto _ : state) {
    state.PauseTiming();
    ClearOutputs();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    if (std::system(loop.c_str()) != 0) {
      state.SkipWithError("the loop failed");
      return;
    }
    const double seconds = Seconds(start);
    bestLoop = std::min(bestLoop, seconds);
    state.SetIterationTime(seconds);
    state.counters["ms_per_file"] = seconds * 1000 / kMessages;
  }
}

// The command over the same folder, one converter per core.
void BM_Command(benchmark::State& state) {
  Workload& work = TheWorkload();
  const std::string command = Quote(LORVANE_EXE) + " convert --quiet --output " + Quote(work.outputs.toStdString()) +
                              " " + Quote(work.sources.toStdString());
  for (auto _ : state) {
    state.PauseTiming();
    ClearOutputs();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("the command failed");
      return;
    }
    const double seconds = Seconds(start);
    bestCommand = std::min(bestCommand, seconds);
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
  benchmark::RegisterBenchmark("shell_loop_2000", BM_ConverterLoop)
      ->UseManualTime()->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("lorvane_convert_2000", BM_Command)
      ->UseManualTime()->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("window_run_2000", BM_ConversionRun)
      ->UseManualTime()->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const double none = std::numeric_limits<double>::max();
  if (bestLoop < none && bestRun < none && bestCommand < none) {
    std::printf("\n%d messages, best of 3 each, %d cores:\n", kMessages, QThread::idealThreadCount());
    std::printf("  bare shell loop of the converter: %7.0f ms (%.3f ms/file)\n", bestLoop * 1000, bestLoop * 1000 / kMessages);
    std::printf("  lorvane convert:                  %7.0f ms (%.3f ms/file)\n", bestCommand * 1000,
                bestCommand * 1000 / kMessages);
    std::printf("  the window's run:                 %7.0f ms (%.3f ms/file)\n", bestRun * 1000, bestRun * 1000 / kMessages);
    std::printf("  window against the loop:    %.2fx the time (goal: at most 0.40x)\n", bestRun / bestLoop);
    std::printf("  window against the command: %.2fx the time (goal: at most 1.30x)\n", bestRun / bestCommand);
  }
  return 0;
}
