// Throughput of the compressed-RTF decoder in bytes of output per second, on RTF-like
// mail text built here and compressed by the test compressor, on highly repetitive text
// where long overlapping references dominate, and on the real bodies of the corpus.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "converter/rtf/clzf.h"
#include "converter/msg/message.h"
#include "msgwriter/lzfu_compressor.h"

namespace {

// A few hundred KB that look like a mail body saved as RTF: a header, font and colour
// tables, then paragraphs of words with formatting groups and escapes.
std::string RealisticRtf(std::size_t size) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\fromtext \\fbidis \\deff0{\\fonttbl\r\n"
      "{\\f0\\fswiss\\fcharset0 Arial;}\r\n{\\f1\\fmodern Courier New;}\r\n"
      "{\\f2\\fnil\\fcharset2 Symbol;}\r\n{\\f3\\fmodern\\fcharset0 Courier New;}}\r\n"
      "{\\colortbl\\red0\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
      "\\uc1\\pard\\plain\\deftab360 \\f0\\fs20 ";
  static const char* kWords[] = {
      "the", "quarterly", "figures", "meeting", "on", "Tuesday", "please", "find",
      "attached", "report", "regarding", "budget", "and", "schedule", "for", "next",
      "week", "we", "have", "agreed", "that", "Kind", "regards", "project", "review",
      "\\'e9t\\'e9", "customer", "invoice", "2024", "deadline", "update", "team"};
  std::mt19937 rng(42);
  while (rtf.size() < size) {
    const int words = 8 + static_cast<int>(rng() % 40);
    for (int w = 0; w < words; ++w) {
      const unsigned pick = rng() % 100;
      if (pick < 4) {
        rtf += "{\\b ";
        rtf += kWords[rng() % 32];
        rtf += "}";
      } else if (pick < 6) {
        rtf += "{\\field{\\*\\fldinst{HYPERLINK \"http://example.com/";
        rtf += std::to_string(rng() % 100000);
        rtf += "\"}}{\\fldrslt{\\cf1\\ul link}}}";
      } else {
        rtf += kWords[rng() % 32];
      }
      rtf += ' ';
    }
    rtf += "\\par\r\n";
  }
  rtf += "}";
  return rtf;
}

void BM_DecodeRealisticRtf(benchmark::State& state) {
  const std::string rtf = RealisticRtf(static_cast<std::size_t>(state.range(0)));
  const std::vector<std::uint8_t> body = msgwriter::CompressRtf(rtf);
  for (auto _ : state) {
    std::vector<std::uint8_t> out = quorlin::CLZF::decompressRTF(body);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
  state.counters["ratio"] = static_cast<double>(rtf.size()) / static_cast<double>(body.size());
}
BENCHMARK(BM_DecodeRealisticRtf)->Arg(16 << 10)->Arg(400 << 10);

void BM_DecodeRepetitive(benchmark::State& state) {
  std::string text = "{\\rtf1 ";
  for (int i = 0; text.size() < 400'000; ++i) text += (i % 3 == 0) ? "ab" : "-----------";
  const std::vector<std::uint8_t> body = msgwriter::CompressRtf(text);
  for (auto _ : state) {
    std::vector<std::uint8_t> out = quorlin::CLZF::decompressRTF(body);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DecodeRepetitive);

// The compressed bodies of every corpus message that has one.
std::vector<std::vector<std::uint8_t>> CorpusBodies() {
  std::vector<std::vector<std::uint8_t>> bodies;
  const std::filesystem::path corpus = LORVANE_CORPUS_DIR;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(corpus, error)) {
    if (entry.path().extension() != ".msg") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    try {
      auto body = quorlin::Message::Open(bytes)->GetBytes("1009");
      if (body && !body->empty()) bodies.push_back(std::move(*body));
    } catch (const std::exception&) {
      // Damaged messages have no body to time.
    }
  }
  return bodies;
}

void BM_DecodeCorpusBodies(benchmark::State& state) {
  const auto bodies = CorpusBodies();
  if (bodies.empty()) {
    state.SkipWithError("corpus not found");
    return;
  }
  std::size_t output = 0;
  for (const auto& body : bodies) output += quorlin::CLZF::decompressRTF(body).size();
  for (auto _ : state) {
    for (const auto& body : bodies) {
      std::vector<std::uint8_t> out = quorlin::CLZF::decompressRTF(body);
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * output));
  state.counters["bodies"] = static_cast<double>(bodies.size());
}
BENCHMARK(BM_DecodeCorpusBodies);

void BM_Crc32(benchmark::State& state) {
  std::vector<std::uint8_t> data(1 << 20);
  std::mt19937 rng(1);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  for (auto _ : state) benchmark::DoNotOptimize(quorlin::RtfCrc32(data));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_Crc32);

}  // namespace

BENCHMARK_MAIN();
