// `lorvane convert` against the converter alone, over 2,000 messages (the shared corpus
// repeated when it is there, generated messages otherwise): a bare shell loop that starts
// Quorlin once per message, the command with one job, and the command with two jobs. Each
// is run several times and the best time is printed with the ratios. Goals: one job at most
// the bare loop's time; two jobs at least 1.7 times faster than one.
// Usage: command_bench [repeats]   (default 5)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <thread>
#include <vector>
#include <atomic>

#include <unistd.h>

#include "support/message_files.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMessages = 2000;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Fills the folder with kMessages messages; says where they came from.
std::string MakeMessages(const fs::path& folder) {
  fs::create_directories(folder);
  std::vector<fs::path> corpus;
  const fs::path shared(LORVANE_CORPUS_DIR);
  if (fs::is_directory(shared)) {
    for (const auto& entry : fs::directory_iterator(shared)) {
      if (entry.path().extension() == ".msg") corpus.push_back(entry.path());
    }
    std::sort(corpus.begin(), corpus.end());
  }
  for (int i = 0; i < kMessages; ++i) {
    const fs::path target = folder / ("m" + std::to_string(i) + ".msg");
    if (!corpus.empty()) {
      fs::copy_file(corpus[static_cast<std::size_t>(i) % corpus.size()], target);
    } else {
      run_testing::WriteMessage(QString::fromStdString(target.string()),
                                run_testing::RtfFor(QString::number(i)));
    }
  }
  return corpus.empty() ? "generated messages" : "the shared corpus repeated (" + std::to_string(corpus.size()) + " files)";
}

// Seconds for one run of the shell command, starting from an empty output folder.
double Time(const std::string& command, const fs::path& outputs) {
  fs::remove_all(outputs);
  fs::create_directories(outputs);
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (status == -1) std::fprintf(stderr, "could not run: %s\n", command.c_str());
  return seconds;
}

// How much faster two busy threads get through work than one, in this process's share of
// the machine right now: the most that --jobs 2 can gain over --jobs 1. On a machine that
// others load, or that gives this session a fixed share, it falls towards 1.
double ParallelCeiling() {
  auto work = [](int threads) {
    std::atomic<bool> stop{false};
    std::vector<unsigned long long> counts(static_cast<std::size_t>(threads));
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
      pool.emplace_back([&stop, &counts, t] {
        volatile unsigned long long n = 0;
        while (!stop.load(std::memory_order_relaxed)) n = n + 1;
        counts[static_cast<std::size_t>(t)] = n;
      });
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    stop = true;
    for (auto& thread : pool) thread.join();
    double total = 0;
    for (auto count : counts) total += static_cast<double>(count);
    return total;
  };
  const double one = work(1);
  return work(2) / one;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path root = fs::temp_directory_path() / ("lorvane-command-bench-" + std::to_string(::getpid()));
  const fs::path sources = root / "messages";
  const fs::path outputs = root / "documents";
  const std::string origin = MakeMessages(sources);
  {
    std::ofstream list(root / "list.txt");
    for (int i = 0; i < kMessages; ++i) list << (sources / ("m" + std::to_string(i) + ".msg")).string() << '\n';
  }

  const std::string bare = "bash -c " + Quote("while IFS= read -r f; do n=${f##*/}; " + Quote(QUORLIN_EXE) +
                                              " \"$f\" " + Quote(outputs.string()) + "/\"${n%.msg}.doc\" 2>/dev/null; done < " +
                                              Quote((root / "list.txt").string()));
  auto command = [&](int jobs) {
    return Quote(LORVANE_EXE) + " convert --quiet --jobs " + std::to_string(jobs) + " --output " +
           Quote(outputs.string()) + " " + Quote(sources.string()) + " 2>/dev/null";
  };
  double best[3] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                    std::numeric_limits<double>::max()};
  for (int r = 0; r < repeats; ++r) {
    best[0] = std::min(best[0], Time(bare, outputs));
    best[1] = std::min(best[1], Time(command(1), outputs));
    best[2] = std::min(best[2], Time(command(2), outputs));
  }
  std::printf("%d messages from %s, best of %d runs\n", kMessages, origin.c_str(), repeats);
  std::printf("bare shell loop of Quorlin:   %7.0f ms  (%.3f ms per message)\n", best[0] * 1e3, best[0] * 1e3 / kMessages);
  std::printf("lorvane convert --jobs 1:     %7.0f ms  (%.3f ms per message)\n", best[1] * 1e3, best[1] * 1e3 / kMessages);
  std::printf("lorvane convert --jobs 2:     %7.0f ms  (%.3f ms per message)\n", best[2] * 1e3, best[2] * 1e3 / kMessages);
  std::printf("--jobs 1 against the bare loop: %.2fx the time (goal <= 1.00x)\n", best[1] / best[0]);
  std::printf("--jobs 2 against --jobs 1:      %.2fx faster (goal >= 1.70x)\n", best[1] / best[2]);
  std::printf("two busy threads against one, now: %.2fx (the most two jobs can gain here)\n", ParallelCeiling());
  fs::remove_all(root);
  return 0;
}
