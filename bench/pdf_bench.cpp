// PDF making over N converted documents (200 unless the first argument says otherwise):
// the renderer pool of a PDF run (two renderers on two threads, each document rendered and
// archived with its message inside), against LibreOffice's own command line over the same
// .doc files, once in one call per core and once in one call per document (timed on a
// sample and scaled to N). Prints the three times and the two ratios (goals: the pool at
// most 1.2 times the call per core, and at least 10 times faster than a call per document).
// Each soffice call gets a profile of its own, as two calls sharing one would hand their
// work to the first.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "msgwriter/message_builder.h"
#include "pdf/office_location.h"
#include "pdf/pdf_archiver.h"
#include "pdf/pdf_renderer.h"
#include "support/temp_tree.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWorkers = 2;
constexpr int kSample = 10;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

int PdfsIn(const std::string& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder)) count += entry.path().extension() == ".pdf";
  return count;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// A short mail: a heading, a few paragraphs that differ by message, a small table.
std::string MailBody(int n) {
  std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Liberation Sans;}}\\f0\\fs22 {\\b Message " +
                    std::to_string(n) + "}\\par ";
  for (int p = 0; p < 8 + n % 12; ++p) {
    rtf += "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt ut labore "
           "et dolore magna aliqua. Paragraph " + std::to_string(p) + ".\\par ";
  }
  for (int row = 0; row < 3; ++row) {
    rtf += "\\trowd\\cellx3000\\cellx6000 Item " + std::to_string(row) + "\\cell " + std::to_string(n * row) +
           "\\cell\\row ";
  }
  return rtf + "}";
}

// Each lane runs its share of the calls one after the other; the lanes run side by side.
double RunLanes(const std::vector<std::vector<std::string>>& lanes) {
  const auto start = Clock::now();
  std::vector<std::thread> threads;
  for (const auto& commands : lanes) {
    threads.emplace_back([&commands] {
      for (const std::string& command : commands) {
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  return Seconds(start);
}

std::string ConvertTo(const std::string& profile, const std::string& outdir, const std::vector<std::string>& docs,
                      const std::string& office) {
  std::string command = Quote(office) + " -env:UserInstallation=file://" + profile +
                        " --headless --convert-to " +
                        Quote("pdf:writer_pdf_Export:{\"SelectPdfVersion\":{\"type\":\"long\",\"value\":\"3\"}}") +
                        " --outdir " + Quote(outdir);
  for (const std::string& doc : docs) command += " " + Quote(doc);
  return command + " >/dev/null 2>&1";
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(kSample, std::atoi(argv[1])) : 200;
  const std::string office = lorvane_pdf::FindLibreOffice();
  if (office.empty()) {
    std::printf("%s\n", lorvane_pdf::MissingLibreOfficeReason().c_str());
    return 2;
  }
  TempTree tree;
  for (const char* folder : {"msg", "doc", "pool", "percore", "perdoc", "profiles", "work"}) tree.Folder(folder);
  std::vector<std::string> messages;
  std::vector<std::string> docs;
  for (int n = 0; n < count; ++n) {
    msgwriter::MessageBuilder message;
    message.AddRtfBody(MailBody(n));
    const std::vector<std::uint8_t> bytes = message.Build();
    const std::string name = "message " + std::to_string(n);
    messages.push_back(tree.Path("msg/" + name + ".msg"));
    docs.push_back(tree.Path("doc/" + name + ".doc"));
    std::ofstream(messages.back(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                           static_cast<std::streamsize>(bytes.size()));
    const std::string convert = std::string(QUORLIN_EXE) + " " + Quote(messages.back()) + " " + Quote(docs.back());
    if (std::system(convert.c_str()) != 0) std::fprintf(stderr, "cannot convert %s\n", messages.back().c_str());
  }
  std::printf("%d documents, %d workers, %s\n", count, kWorkers, office.c_str());

  // The pool: what a PDF run does, from the renderers' start to the last archived PDF.
  std::atomic<int> next{0};
  std::atomic<int> failed{0};
  auto start = Clock::now();
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      lorvane_pdf::RendererSettings settings;
      settings.temporaryParent = tree.Path("work");
      lorvane_pdf::PdfRenderer renderer(settings);
      for (int n; (n = next++) < count;) {
        std::string failure;
        const std::string rendered = tree.Path("work/rendered " + std::to_string(w) + ".pdf");
        lorvane_pdf::ArchiveInput in;
        in.renderedPdf = rendered;
        in.target = tree.Path("pool/message " + std::to_string(n) + ".pdf");
        in.subject = "Message " + std::to_string(n);
        in.message = {messages[static_cast<std::size_t>(n)], ""};
        if (!renderer.Render(docs[static_cast<std::size_t>(n)], rendered, std::chrono::seconds(120), failure) ||
            !lorvane_pdf::Archive(in, failure)) {
          ++failed;
          std::fprintf(stderr, "%s\n", failure.c_str());
        }
        ::unlink(rendered.c_str());
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  const double pool = Seconds(start);

  // One call per core: the documents split in two, each half in one call with its own profile.
  std::vector<std::vector<std::string>> lanes(kWorkers);
  std::vector<std::vector<std::string>> halves(kWorkers);
  for (int n = 0; n < count; ++n) halves[static_cast<std::size_t>(n % kWorkers)].push_back(docs[static_cast<std::size_t>(n)]);
  for (int w = 0; w < kWorkers; ++w) {
    lanes[static_cast<std::size_t>(w)] = {ConvertTo(tree.Path("profiles/core" + std::to_string(w)),
                                                     tree.Path("percore"), halves[static_cast<std::size_t>(w)], office)};
  }
  const double perCoreMeasured = RunLanes(lanes);
  // A long --convert-to call can end early without a word (LibreOffice 7.4 stopped after
  // about 250 documents here), so its time is scaled to the PDFs it did make.
  const int made = PdfsIn(tree.Path("percore"));
  const double perCore = perCoreMeasured * count / std::max(made, 1);

  // One call per document, two side by side, each lane with a profile made once before.
  for (auto& lane : lanes) lane.clear();
  for (int n = 0; n < kSample; ++n) {
    const std::string profile = tree.Path("profiles/doc" + std::to_string(n % kWorkers));
    lanes[static_cast<std::size_t>(n % kWorkers)].push_back(
        ConvertTo(profile, tree.Path("perdoc"), {docs[static_cast<std::size_t>(n)]}, office));
  }
  RunLanes({{lanes[0].front()}, {lanes[1].front()}});  // the profiles' first start, not timed
  const double perDoc = RunLanes(lanes) * count / kSample;

  std::printf("pool of %d renderers (render + archive):  %8.2f s  (%.1f ms a document, %d failed)\n", kWorkers, pool,
              pool * 1000 / count, failed.load());
  std::printf("soffice --convert-to, one call per core:  %8.2f s  (measured %.2f s for the %d of %d PDFs it made)\n",
              perCore, perCoreMeasured, made, count);
  std::printf("soffice --convert-to, one call per document: %8.2f s  (%d timed, scaled to %d)\n", perDoc, kSample,
              count);
  std::printf("pool / call per core: %.2f (goal at most 1.2); call per document / pool: %.1f (goal at least 10)\n",
              pool / perCore, perDoc / pool);
  return failed == 0 ? 0 : 1;
}
