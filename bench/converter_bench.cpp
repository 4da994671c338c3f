// Converter speed: the in-process conversion of each corpus message (or of generated
// messages when the corpus is absent), and the wall time of a whole Quorlin process per
// typical message, spawned in a loop, beside a bare process start for comparison.
// Goal: under 3 ms per Quorlin process.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "converter/conversion.h"
#include "converter/errors.h"
#include "converter/support/message_builder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A generated message of about 40 KB: an RTF body, recipients and one attachment.
std::vector<std::uint8_t> TypicalMessage() {
  quorlin::testing::MessageBuilder builder;
  std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  for (int i = 0; i < 300; ++i) rtf += "Line " + std::to_string(i) + " of the message body.\\par\n";
  builder.AddRtfBody(rtf + "}").AddUnicode(0x0037, u"A typical message");
  for (int i = 0; i < 5; ++i) builder.AddRecipient().AddUnicode(0x3001, u"Recipient");
  builder.AddAttachment(1).AddBinary(0x3701, std::vector<std::uint8_t>(24000, 0x5A));
  return builder.Build();
}

void ConvertInProcess(benchmark::State& state, std::vector<std::uint8_t> bytes,
                      quorlin::ConversionOptions options) {
  for (auto _ : state) {
    try {
      benchmark::DoNotOptimize(quorlin::ConvertMessage(bytes, options));
    } catch (const quorlin::ConvertError&) {
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// Starts a program with arguments and waits for it.
int Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One Quorlin process per iteration. `replace` writes over the same output each time (on
// ext4 replacing a file by rename makes the file system flush it); otherwise each run
// writes a new file, as a conversion run over fresh outputs does.
void QuorlinProcess(benchmark::State& state, fs::path input, bool replace, bool header) {
  fs::path folder = fs::temp_directory_path();
  std::int64_t run = 0;
  for (auto _ : state) {
    fs::path output = folder / ("quorlin-bench-" + std::to_string(replace ? 0 : run++) + ".doc");
    std::vector<std::string> args = {QUORLIN_EXE, input.string(), output.string()};
    if (header) args.insert(args.begin() + 1, "--header");
    if (Spawn(args) != 0) {
      state.SkipWithError("Quorlin failed");
      break;
    }
    if (!replace) {
      state.PauseTiming();
      fs::remove(output);
      state.ResumeTiming();
    }
  }
  fs::remove(folder / "quorlin-bench-0.doc");
}

void BareProcess(benchmark::State& state) {
  for (auto _ : state) Spawn({"/bin/true"});
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fs::path corpus = LORVANE_CORPUS_DIR;
  fs::path typical = fs::temp_directory_path() / "quorlin-bench-typical.msg";
  std::vector<std::uint8_t> generated = TypicalMessage();
  std::ofstream(typical, std::ios::binary)
      .write(reinterpret_cast<const char*>(generated.data()), static_cast<std::streamsize>(generated.size()));

  benchmark::RegisterBenchmark("convert/generated_typical", ConvertInProcess, generated,
                               quorlin::ConversionOptions{});
  if (fs::is_directory(corpus)) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(corpus))
      if (entry.path().extension() == ".msg") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files)
      benchmark::RegisterBenchmark(("convert/" + file.filename().string()).c_str(), ConvertInProcess,
                                   ReadFile(file), quorlin::ConversionOptions{});
    benchmark::RegisterBenchmark("convert_header/example_sent_unicode.msg", ConvertInProcess,
                                 ReadFile(corpus / "example_sent_unicode.msg"),
                                 quorlin::ConversionOptions{true});
    for (const char* name : {"msgClassAppointment.msg", "example_sent_unicode.msg"}) {
      benchmark::RegisterBenchmark((std::string("process/quorlin/new_output/") + name).c_str(),
                                   QuorlinProcess, corpus / name, false, false)
          ->UseRealTime()->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark((std::string("process/quorlin/replace_output/") + name).c_str(),
                                   QuorlinProcess, corpus / name, true, false)
          ->UseRealTime()->Unit(benchmark::kMillisecond);
    }
  } else {
    std::printf("shared corpus not found at %s: timing generated messages only\n", corpus.c_str());
  }
  // The header block: the same messages with "--header".
  benchmark::RegisterBenchmark("convert_header/generated_typical", ConvertInProcess, generated,
                               quorlin::ConversionOptions{true});
  benchmark::RegisterBenchmark("process/quorlin/header/generated_typical", QuorlinProcess, typical, false, true)
      ->UseRealTime()->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("process/quorlin/new_output/generated_typical", QuorlinProcess, typical, false, false)
      ->UseRealTime()->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("process/bare_true", BareProcess)->UseRealTime()->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove(typical);
  return 0;
}
