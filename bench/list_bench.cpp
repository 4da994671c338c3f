// The file list under load: appending 100,000 rows one by one to the real list view (shown
// on the offscreen platform, as on screen), scrolling through them with a repaint at each stop, the
// ListContains scan, and clearing. Goal: 100,000 appends in under a second.
#include <QApplication>
#include <QScrollBar>
#include <benchmark/benchmark.h>

#include "filelist/file_list.h"

namespace {
constexpr int kRows = 100000;

QString RowText(int i) { return QStringLiteral("/home/user/Mail/Archive 2021/message %1.msg").arg(i); }

std::vector<QString> Paths() {
  std::vector<QString> paths;
  paths.reserve(kRows);
  for (int i = 0; i < kRows; ++i) paths.push_back(RowText(i));
  return paths;
}

void ShowList(FileListView& list) {
  list.resize(520, 169);
  list.AddColumn(QStringLiteral("MSG File(s)"));
  list.SetColumnWidthTwips(7000);
  list.show();
  QApplication::processEvents();
}

void BM_Append100kOneByOne(benchmark::State& state) {
  const std::vector<QString> paths = Paths();
  for (auto _ : state) {
    FileListView list;
    ShowList(list);
    for (const QString& p : paths) list.Append(p);
    QApplication::processEvents();  // the view lays out and paints what arrived
    benchmark::DoNotOptimize(list.Count());
    state.PauseTiming();
    list.Clear();
    state.ResumeTiming();
  }
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_Append100kOneByOne)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScrollThrough100k(benchmark::State& state) {
  FileListView list;
  ShowList(list);
  for (const QString& p : Paths()) list.Append(p);
  QApplication::processEvents();
  QScrollBar* bar = list.verticalScrollBar();
  // A thousand repaints spread evenly from the top to the bottom of the list.
  constexpr int kSteps = 1000;
  for (auto _ : state) {
    for (int step = 0; step <= kSteps; ++step) {
      bar->setValue(static_cast<int>(static_cast<int64_t>(bar->maximum()) * step / kSteps));
      list.viewport()->repaint();
    }
  }
  state.SetItemsProcessed(state.iterations() * (kSteps + 1));
  // Seconds a repaint takes, printed by the counter as a rate inverted.
  state.counters["s_per_repaint"] = benchmark::Counter(
      static_cast<double>(state.iterations() * (kSteps + 1)),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScrollThrough100k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListContains100k(benchmark::State& state) {
  FileListView list;
  for (const QString& p : Paths()) list.Append(p);
  const QString absent = QStringLiteral("/home/user/Mail/not there.msg");
  for (auto _ : state) benchmark::DoNotOptimize(list.ListContains(absent));
}
BENCHMARK(BM_ListContains100k)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
