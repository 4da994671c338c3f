// The folder add over a large tree: "Add All" with extension "msg" on a generated tree of
// 10,000 folders and 100,000 files, next to `find` listing the same files as a child process.
// Goal: the folder add within 3 times `find`. The tree is made once in the temporary folder
// and kept for later runs.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <sys/resource.h>

#include "app/form1.h"
#include "filelist/file_list.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/settings_store.h"

namespace {

constexpr int kTopFolders = 100;
constexpr int kSubFoldersEach = 99;  // 100 + 100 * 99 = 10,000 folders
constexpr int kFilesEach = 10;       // 100,000 files
constexpr int kFolders = kTopFolders + kTopFolders * kSubFoldersEach;

QString TreeRoot() { return QDir::tempPath() + QStringLiteral("/lorvane-scan-bench-tree"); }

void WriteFiles(const QString& folder) {
  for (int f = 0; f < kFilesEach; ++f) {
    QFile file(folder + QStringLiteral("/Message %1.msg").arg(f));
    if (!file.open(QIODevice::WriteOnly)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
      std::exit(1);
    }
  }
}

// Makes the tree unless a finished one is there already.
void EnsureTree() {
  const QString marker = TreeRoot() + QStringLiteral(".done");
  if (QFile::exists(marker)) return;
  std::fprintf(stderr, "Making %d folders and %d files in %s ...\n", kFolders, kFolders * kFilesEach,
               qPrintable(TreeRoot()));
  QDir(TreeRoot()).removeRecursively();
  for (int t = 0; t < kTopFolders; ++t) {
    const QString top = TreeRoot() + QStringLiteral("/Folder %1").arg(t);
    QDir().mkpath(top);
    WriteFiles(top);
    for (int s = 0; s < kSubFoldersEach; ++s) {
      const QString sub = top + QStringLiteral("/Sub %1").arg(s);
      QDir().mkpath(sub);
      WriteFiles(sub);
    }
  }
  QFile done(marker);
  (void)done.open(QIODevice::WriteOnly);
}

// Answers the extension prompt with "msg" and the picker with the tree; shows nothing else.
class BenchDialogs : public Dialogs {
 public:
  void ShowMessage(const QString& text, const QString&, Icon) override {
    std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
  }
  bool AskYesNo(const QString&, bool) override { return false; }
  QString InputBox(const QString&, const QString&, const QString&) override { return QStringLiteral("msg"); }
  QString OpenFiles(const QString&, const QString&) override { return {}; }
  QString BrowseForFolder(QWidget*, const QString&, const QString&) override { return TreeRoot(); }
};

class MemorySettings : public SettingsStore {
 public:
  QString Read(const QString&, const QString&, const QString& key, const QString& defaultValue) override {
    return values_.value(key, defaultValue);
  }
  void Write(const QString&, const QString&, const QString& key, const QString& value) override {
    values_.insert(key, value);
  }

 private:
  QHash<QString, QString> values_;
};

class NoDesktop : public Desktop {
 public:
  void OpenFolder(const QString&) override {}
  void OpenUrl(const QString&) override {}
};

double bestScanMs = 0;
double bestFindMs = 0;
double bestScanCpuMs = 0;
double bestFindCpuMs = 0;

void Keep(double& best, double ms) {
  if (best == 0 || ms < best) best = ms;
}

// Processor time (user and system) of this process or of its finished children, in ms. On
// a busy machine it compares the two sides more fairly than the clock on the wall.
double CpuMs(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void BM_AddAllOverTree(benchmark::State& state) {
  EnsureTree();
  BenchDialogs dialogs;
  MemorySettings settings;
  NoDesktop desktop;
  const std::unique_ptr<FileSystem> fs = MakeLocalFileSystem();
  Form1Services services;
  services.dialogs = &dialogs;
  services.settings = &settings;
  services.desktop = &desktop;
  services.fileSystem = fs.get();
  services.random = [] { return 0.5; };
  services.endProgram = [] {};
  services.cursorPos = [] { return QPoint(); };
  Form1 form(services);
  int rows = 0;
  for (auto _ : state) {
    QElapsedTimer timer;
    const double cpuBefore = CpuMs(RUSAGE_SELF);
    timer.start();
    form.PushButton4_Click();
    Keep(bestScanMs, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    Keep(bestScanCpuMs, CpuMs(RUSAGE_SELF) - cpuBefore);
    rows = form.ListView1->Count();
    state.PauseTiming();
    form.ListView1->Clear();
    state.ResumeTiming();
  }
  state.counters["rows"] = rows;
  state.counters["folders"] = kFolders;
}
BENCHMARK(BM_AddAllOverTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_FindOverTree(benchmark::State& state) {
  EnsureTree();
  const QString find = QStandardPaths::findExecutable(QStringLiteral("find"));
  if (find.isEmpty()) {
    state.SkipWithError("find is not installed");
    return;
  }
  qsizetype lines = 0;
  for (auto _ : state) {
    QElapsedTimer timer;
    const double cpuBefore = CpuMs(RUSAGE_CHILDREN);
    timer.start();
    QProcess process;
    process.start(find, {TreeRoot(), QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-iname"),
                         QStringLiteral("*.msg")});
    process.waitForFinished(-1);
    lines = process.readAllStandardOutput().count('\n');
    Keep(bestFindMs, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    Keep(bestFindCpuMs, CpuMs(RUSAGE_CHILDREN) - cpuBefore);
  }
  state.counters["files"] = static_cast<double>(lines);
}
BENCHMARK(BM_FindOverTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (bestScanMs > 0 && bestFindMs > 0) {
    std::printf("Add All over %d folders / %d files, best of 3 (goal: within 3 times find)\n", kFolders,
                kFolders * kFilesEach);
    std::printf("  wall:      Add All %.0f ms, find %.0f ms, ratio %.2f\n", bestScanMs, bestFindMs,
                bestScanMs / bestFindMs);
    if (bestFindCpuMs > 0)
      std::printf("  processor: Add All %.0f ms, find %.0f ms, ratio %.2f\n", bestScanCpuMs, bestFindCpuMs,
                  bestScanCpuMs / bestFindCpuMs);
  }
  return 0;
}
