// Converter speed: the in-process conversion of each corpus message (or of generated
// messages when the corpus is absent), and the wall time of a whole Quorlin process per
// typical message, spawned in a loop, beside a bare process start for comparison.
// Goal: under 3 ms per Quorlin process.
// Before the timings it prints Quorlin's peak memory on large bodies (a 64 MB plain body,
// a 64 MB HTML body, a 40 MB compressed body and one that decodes to 8 times its size)
// and on a body showing a 40 MB picture, and a message with a 40 MB attachment saved beside
// the document, against the goal of 4 times the input plus 64 MB. With pictures on it
// times a message of ten pictures and the corpus message of four screenshots. Then the
// messages of the third hostile round (QUORLIN_BENCH_HOSTILE_ONLY=1 prints only these): 2,000
// pictures and 200,000 tags naming none of them, 30000x30000 JPEG and PNG headers (with the
// pictures each document shows), 100,000 attachments with --header and saved, and a 48 MB
// HTML body of table rows with and without --pictures.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "converter/conversion.h"
#include "converter/rtf/clzf.h"
#include "converter/base/errors.h"
#include "msgwriter/message_builder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A generated message of about 40 KB: an RTF body, recipients and one attachment.
std::vector<std::uint8_t> TypicalMessage() {
  msgwriter::MessageBuilder builder;
  std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  for (int i = 0; i < 300; ++i) rtf += "Line " + std::to_string(i) + " of the message body.\\par\n";
  builder.AddRtfBody(rtf + "}").AddUnicode(0x0037, u"A typical message");
  for (int i = 0; i < 5; ++i) builder.AddRecipient().AddUnicode(0x3001, u"Recipient");
  builder.AddAttachment(1).AddBinary(0x3701, std::vector<std::uint8_t>(24000, 0x5A));
  return builder.Build();
}

// A PNG of `size` bytes and its big-endian chunk fields: a header, one data chunk of
// arbitrary bytes (the converter checks a PNG's chunks and CRCs, it does not inflate
// them) and the end chunk.
std::vector<std::uint8_t> LargePng(std::size_t size, std::uint32_t side) {
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&png](const char* type, const std::vector<std::uint8_t>& data) {
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<std::uint8_t>(data.size() >> shift));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const auto crc = static_cast<std::uint32_t>(crc32(0, png.data() + start, static_cast<uInt>(png.size() - start)));
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<std::uint8_t>(crc >> shift));
  };
  std::vector<std::uint8_t> header = {0, 0, 0, 0, 0, 0, 0, 0, 8, 2, 0, 0, 0};
  for (int i = 0; i < 4; ++i) header[i] = header[4 + i] = static_cast<std::uint8_t>(side >> (24 - 8 * i));
  chunk("IHDR", header);
  std::vector<std::uint8_t> data(size > 64 ? size - 57 : 8);
  std::uint64_t seed = 99;
  for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>((seed = seed * 6364136223846793005u + 1) >> 56);
  chunk("IDAT", data);
  chunk("IEND", {});
  return png;
}

// A rich-text body carrying HTML with `count` pictures of `size` bytes, named by content id.
msgwriter::MessageBuilder PictureMessage(int count, std::size_t size) {
  msgwriter::MessageBuilder builder;
  std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl{\\f0 Arial;}}";
  for (int i = 0; i < count; ++i)
    rtf += "{\\*\\htmltag84 <p>}Picture " + std::to_string(i) + ":{\\*\\htmltag84 <img width=600 height=400 src=\"cid:p" +
           std::to_string(i) + "@x\">}\\htmlrtf \\objattph \\htmlrtf0 \\par\n";
  builder.AddRtfBody(rtf + "}");
  const std::vector<std::uint8_t> png = LargePng(size, 600);
  for (int i = 0; i < count; ++i) {
    const std::string cid = "p" + std::to_string(i) + "@x";
    builder.AddAttachment(1).AddBinary(0x3701, png).AddUnicode(0x3712, std::u16string(cid.begin(), cid.end()));
  }
  return builder;
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

// Starts a program with arguments and waits for it; `peak_kib` receives its peak
// resident memory.
int Spawn(const std::vector<std::string>& args, long* peak_kib = nullptr) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (peak_kib) *peak_kib = usage.ru_maxrss;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The converter measured: the build's own, or another build's named by QUORLIN_BENCH_EXE
// (to compare figures before and after a change).
std::string QuorlinExe() {
  const char* other = std::getenv("QUORLIN_BENCH_EXE");
  return other != nullptr && *other != '\0' ? other : QUORLIN_EXE;
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Lines of mail-like text, `size` bytes in all.
std::string MailText(std::size_t size) {
  std::string text;
  text.reserve(size + 100);
  for (std::size_t line = 0; text.size() < size; ++line)
    text += "Line " + std::to_string(line) + " of a long message, with words that repeat.\r\n";
  text.resize(size);
  return text;
}

// A compressed body of about `size` bytes, written token by token: four literals and four
// 8-byte references back into the last 2 KB per run, so it decodes to 2.8 times its size
// as ordinary bodies do; or, `densest`, nothing but 17-byte references, the most any
// body can decode to (8 times its size). (The test compressor would need several GB for
// this size.)
std::vector<std::uint8_t> LargeCompressedBody(std::size_t size, bool densest = false) {
  std::vector<std::uint8_t> body(16);
  body.reserve(size + 64);
  const std::string words = MailText(4096);
  std::uint64_t write = 207, raw = 0, seed = 12345;
  const unsigned length = densest ? 17 : 8;
  while (body.size() < size) {
    body.push_back(densest ? 0xFF : 0xAA);  // literal, reference, literal, reference, ...
    for (int pair = 0; pair < (densest ? 8 : 4); ++pair) {
      if (!densest) {
        body.push_back(static_cast<std::uint8_t>(words[raw % words.size()]));
        ++write, ++raw;
      }
      seed = seed * 6364136223846793005u + 1442695040888963407u;
      const std::uint64_t distance = 1 + (seed >> 33) % std::min<std::uint64_t>(write, 2048);
      const unsigned token = static_cast<unsigned>(((write - distance) & 0xFFF) << 4 | (length - 2));
      body.push_back(static_cast<std::uint8_t>(token >> 8));
      body.push_back(static_cast<std::uint8_t>(token & 0xFF));
      write += length, raw += length;
    }
  }
  const std::span<const std::uint8_t> contents(body.data() + 16, body.size() - 16);
  const std::uint32_t header[4] = {static_cast<std::uint32_t>(contents.size() + 12),
                                   static_cast<std::uint32_t>(raw), 0x75465A4C,
                                   quorlin::RtfCrc32(contents)};
  for (int i = 0; i < 16; ++i) body[i] = static_cast<std::uint8_t>(header[i / 4] >> (8 * (i % 4)));
  return body;
}

// Runs Quorlin on the message in `input` and prints its peak memory against the goal.
// `flag` adds an option; with "--attachments" the saved files are removed after.
void PrintPeakMemory(const char* what, const fs::path& input, const char* flag = nullptr) {
  const fs::path output = fs::temp_directory_path() / "quorlin-bench-large.doc";
  const fs::path folder = fs::temp_directory_path() / "quorlin-bench-large attachments";
  const double input_mb = static_cast<double>(fs::file_size(input)) / (1 << 20);
  long peak_kib = 0;
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::string> args = {QuorlinExe(), input.string(), output.string()};
  if (flag != nullptr) args.insert(args.begin() + 1, flag);
  const int status = Spawn(args, &peak_kib);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double peak_mb = static_cast<double>(peak_kib) / 1024;
  std::size_t pictures = 0;
  if (flag != nullptr && std::string(flag) == "--pictures" && fs::exists(output)) {
    const std::vector<std::uint8_t> document = ReadFile(output);
    const std::string_view text(reinterpret_cast<const char*>(document.data()), document.size());
    for (std::size_t at = 0; (at = text.find("{\\pict", at)) != std::string_view::npos; ++at) ++pictures;
  }
  const double goal_mb = 4 * input_mb + 64;
  std::printf("peak memory, %-26s input %5.1f MB, output %6.1f MB: peak %6.1f MB, goal %6.1f MB (%s), %.2f s%s\n",
              what, input_mb, fs::exists(output) ? static_cast<double>(fs::file_size(output)) / (1 << 20) : 0.0,
              peak_mb, goal_mb, peak_mb <= goal_mb ? "met" : "MISSED", seconds,
              status == 0 ? "" : " (Quorlin failed)");
  if (pictures > 0) std::printf("    pictures shown: %zu\n", pictures);
  std::fflush(stdout);
  if (const char* keep = std::getenv("QUORLIN_BENCH_KEEP"))  // a copy to study by hand
    fs::copy_file(input, fs::path(keep) / (std::string(what) + ".msg"), fs::copy_options::overwrite_existing);
  fs::remove(input);
  fs::remove(output);
  fs::remove_all(folder);
}

// Writes the message that `build` makes into a file. A child reports as its peak at least
// the highest memory its parent ever held (the child starts as a copy of the parent), so
// the large messages are built in a child process of their own and this process stays
// small.
fs::path LargeMessage(const std::string& name, msgwriter::MessageBuilder (*build)()) {
  const fs::path path = fs::temp_directory_path() / ("quorlin-bench-" + name + ".msg");
  const pid_t pid = fork();
  if (pid == 0) {
    WriteFile(path, build().Build());
    _exit(0);
  }
  int status = 0;
  if (pid > 0) waitpid(pid, &status, 0);
  return path;
}

// A JPEG that is nothing but its header: the frame says `side` by `side` pixels.
std::vector<std::uint8_t> JpegHeader(std::uint16_t side) {
  std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8};
  for (int i = 0; i < 2; ++i) {
    jpeg.push_back(static_cast<std::uint8_t>(side >> 8));
    jpeg.push_back(static_cast<std::uint8_t>(side & 0xFF));
  }
  jpeg.insert(jpeg.end(), {1, 1, 0x11, 0, 0xFF, 0xD9});
  return jpeg;
}

// The messages of the third hostile round: time and memory of what a sender can make the
// converter do with many pictures, many attachments, a huge picture header and a large
// HTML body. The huge picture's own cost is a reader's (the document stays small); the
// output's size says whether it was shown.
void PrintHostileFigures() {
  constexpr std::size_t kMb = 1 << 20;
  auto lookups = [] {  // 2,000 pictures and 200,000 tags naming none of them
    std::string html = "<html><body>";
    for (int i = 0; i < 200000; ++i) html += "<img src=\"cid:none" + std::to_string(i) + "\">";
    msgwriter::MessageBuilder builder;
    builder.AddBinary(0x1013, std::vector<std::uint8_t>(html.begin(), html.end()));
    const std::vector<std::uint8_t> png = LargePng(200, 4);
    for (int i = 0; i < 2000; ++i) {
      const std::string cid = "p" + std::to_string(i) + "@x";
      builder.AddAttachment(1).AddBinary(0x3701, png).AddUnicode(0x3712, std::u16string(cid.begin(), cid.end()));
    }
    return builder;
  };
  PrintPeakMemory("2,000 pictures, 200,000 <img>", LargeMessage("lookups", lookups), "--pictures");
  auto huge_jpeg = [] {
    msgwriter::MessageBuilder builder;
    builder.AddBinary(0x1013, std::vector<std::uint8_t>({'<', 'i', 'm', 'g', ' ', 's', 'r', 'c', '=', 'a', '.', 'j', 'p', 'g', '>'}));
    builder.AddAttachment(1).AddBinary(0x3701, JpegHeader(30000)).AddUnicode(0x3707, u"a.jpg");
    return builder;
  };
  PrintPeakMemory("30000x30000 JPEG header", LargeMessage("huge-jpeg", huge_jpeg), "--pictures");
  auto huge_png = [] {
    msgwriter::MessageBuilder builder;
    builder.AddBinary(0x1013, std::vector<std::uint8_t>({'<', 'i', 'm', 'g', ' ', 's', 'r', 'c', '=', 'a', '.', 'p', 'n', 'g', '>'}));
    builder.AddAttachment(1).AddBinary(0x3701, LargePng(4096, 30000)).AddUnicode(0x3707, u"a.png");
    return builder;
  };
  PrintPeakMemory("30000x30000 PNG header", LargeMessage("huge-png", huge_png), "--pictures");
  auto many = [] {  // 100,000 attachments of 16 bytes: a message of about 70 MB
    msgwriter::MessageBuilder builder;
    builder.AddRtfBody("{\\rtf1 many attachments}");
    const std::vector<std::uint8_t> data(16, 0x41);
    for (int i = 0; i < 100000; ++i) {
      const std::string name = "file" + std::to_string(i) + ".txt";
      builder.AddAttachment(1).AddBinary(0x3701, data).AddUnicode(0x3707, std::u16string(name.begin(), name.end()));
    }
    return builder;
  };
  PrintPeakMemory("100,000 attachments, --header", LargeMessage("many-header", many), "--header");
  PrintPeakMemory("100,000 attachments, saved", LargeMessage("many-saved", many), "--attachments");
  auto rows = [] {  // 48 MB of table rows
    std::string html = "<html><head><meta charset=utf-8></head><body><table>";
    html.reserve(48 * kMb + 100);
    for (int i = 0; html.size() < 48 * kMb; ++i)
      html += "<tr><td>" + std::to_string(i) + "</td><td>a cell of a long table</td></tr>";
    html += "</table>";
    msgwriter::MessageBuilder builder;
    builder.AddBinary(0x1013, std::vector<std::uint8_t>(html.begin(), html.end()));
    return builder;
  };
  PrintPeakMemory("48 MB HTML table", LargeMessage("rows", rows));
  PrintPeakMemory("48 MB HTML table, --pictures", LargeMessage("rows-pictures", rows), "--pictures");
}

void PrintPeakMemories() {
  if (std::getenv("QUORLIN_BENCH_HOSTILE_ONLY") != nullptr) return PrintHostileFigures();
  constexpr std::size_t kMb = 1 << 20;
  auto plain = [] {
    msgwriter::MessageBuilder builder;
    builder.AddString8(0x1000, MailText(64 * kMb)).AddInt32(0x3FFD, 1252);
    return builder;
  };
  auto unicode = [] {
    const std::string text = MailText(32 * kMb);
    msgwriter::MessageBuilder builder;
    builder.AddUnicode(0x1000, std::u16string(text.begin(), text.end()));
    return builder;
  };
  auto cjk = [] {  // every character becomes an 8-byte Unicode escape in the document
    msgwriter::MessageBuilder builder;
    std::u16string text;
    text.reserve(32 * kMb);
    for (std::size_t i = 0; text.size() < 32 * kMb; ++i)
      text += i % 40 == 39 ? u'\n' : static_cast<char16_t>(0x4E00 + i % 2000);
    builder.AddUnicode(0x1000, text);
    return builder;
  };
  auto html = [] {
    std::string body = "<html><head><meta charset=utf-8></head><body><p>" + MailText(64 * kMb);
    msgwriter::MessageBuilder builder;
    builder.AddBinary(0x1013, std::vector<std::uint8_t>(body.begin(), body.end()));
    return builder;
  };
  auto compressed = [] {
    msgwriter::MessageBuilder builder;
    builder.AddBinary(0x1009, LargeCompressedBody(40 * kMb));
    return builder;
  };
  PrintPeakMemory("64 MB 8-bit plain body", LargeMessage("plain", plain));
  PrintPeakMemory("64 MB Unicode plain body", LargeMessage("unicode", unicode));
  PrintPeakMemory("64 MB Chinese plain body", LargeMessage("cjk", cjk));
  PrintPeakMemory("64 MB HTML body", LargeMessage("html", html));
  auto densest = [] {
    msgwriter::MessageBuilder builder;
    builder.AddBinary(0x1009, LargeCompressedBody(40 * kMb, true));
    return builder;
  };
  PrintPeakMemory("40 MB compressed body", LargeMessage("compressed", compressed));
  PrintPeakMemory("40 MB body decoding to 8x", LargeMessage("densest", densest));
  auto picture = [] { return PictureMessage(1, 40 * kMb); };
  PrintPeakMemory("40 MB picture, --pictures", LargeMessage("picture", picture), "--pictures");
  auto attached = [] {  // saved byte for byte, beside a short body
    msgwriter::MessageBuilder builder;
    builder.AddRtfBody("{\\rtf1 see the attachment}");
    std::vector<std::uint8_t> data(40 * kMb);
    std::uint64_t seed = 99;
    for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>((seed = seed * 6364136223846793005u + 1) >> 56);
    builder.AddAttachment(1).AddUnicode(0x3707, u"large.bin").AddBinary(0x3701, std::move(data));
    return builder;
  };
  PrintPeakMemory("40 MB attachment, saved", LargeMessage("attached", attached), "--attachments");
  PrintHostileFigures();
}

// One Quorlin process per iteration. `replace` writes over the same output each time (on
// ext4 replacing a file by rename makes the file system flush it); otherwise each run
// writes a new file, as a conversion run over fresh outputs does.
void QuorlinProcess(benchmark::State& state, fs::path input, bool replace, const char* flag) {
  fs::path folder = fs::temp_directory_path();
  std::int64_t run = 0;
  for (auto _ : state) {
    fs::path output = folder / ("quorlin-bench-" + std::to_string(replace ? 0 : run++) + ".doc");
    std::vector<std::string> args = {QuorlinExe(), input.string(), output.string()};
    if (flag != nullptr) args.insert(args.begin() + 1, flag);
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
  if (std::getenv("QUORLIN_BENCH_SKIP_MEMORY") == nullptr) PrintPeakMemories();
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
    quorlin::ConversionOptions pictures;
    pictures.pictures = true;
    benchmark::RegisterBenchmark("convert_pictures/attachment_msg_inlineImg.msg", ConvertInProcess,
                                 ReadFile(corpus / "attachment_msg_inlineImg.msg"), pictures);
    benchmark::RegisterBenchmark("process/quorlin/pictures/attachment_msg_inlineImg.msg", QuorlinProcess,
                                 corpus / "attachment_msg_inlineImg.msg", false, "--pictures")
        ->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("convert_header/example_sent_unicode.msg", ConvertInProcess,
                                 ReadFile(corpus / "example_sent_unicode.msg"),
                                 quorlin::ConversionOptions{true});
    for (const char* name : {"msgClassAppointment.msg", "example_sent_unicode.msg"}) {
      benchmark::RegisterBenchmark((std::string("process/quorlin/new_output/") + name).c_str(),
                                   QuorlinProcess, corpus / name, false, nullptr)
          ->UseRealTime()->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark((std::string("process/quorlin/replace_output/") + name).c_str(),
                                   QuorlinProcess, corpus / name, true, nullptr)
          ->UseRealTime()->Unit(benchmark::kMillisecond);
    }
  } else {
    std::printf("shared corpus not found at %s: timing generated messages only\n", corpus.c_str());
  }
  // The header block: the same messages with "--header".
  benchmark::RegisterBenchmark("convert_header/generated_typical", ConvertInProcess, generated,
                               quorlin::ConversionOptions{true});
  benchmark::RegisterBenchmark("process/quorlin/header/generated_typical", QuorlinProcess, typical, false, "--header")
      ->UseRealTime()->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("process/quorlin/new_output/generated_typical", QuorlinProcess, typical, false, nullptr)
      ->UseRealTime()->Unit(benchmark::kMillisecond);
  // Pictures on: ten 100 KB pictures in a body carrying HTML.
  quorlin::ConversionOptions pictures;
  pictures.pictures = true;
  benchmark::RegisterBenchmark("convert_pictures/generated_ten_pictures", ConvertInProcess,
                               PictureMessage(10, 100 * 1024).Build(), pictures)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("process/bare_true", BareProcess)->UseRealTime()->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove(typical);
  return 0;
}
