// The PDF stage's threads and the making of one message's PDF: its embedded messages'
// PDFs first, deepest first, each carrying what was saved of its own message, then the
// message's PDF carrying its attachments, those PDFs and the original message.
#include "run/engine/pdf_stage.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "pdf/pdf_archiver.h"

namespace fs = std::filesystem;

namespace {

// The folder beside a document that holds what was saved of its message ("x.doc" has
// "x attachments").
fs::path AttachmentsOf(const fs::path& document) {
  return document.parent_path() / (document.stem().string() + " attachments");
}

std::size_t Depth(const fs::path& path) { return static_cast<std::size_t>(std::distance(path.begin(), path.end())); }

void RemoveScratch(const std::string& scratch) {
  std::error_code ignored;
  if (!scratch.empty()) fs::remove_all(scratch, ignored);
}

}  // namespace

PdfStage::PdfStage(int workers, lorvane_pdf::RendererSettings renderer) {
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
  for (int i = 0; i < std::max(workers, 1); ++i) {
    renderers_.push_back(std::make_unique<lorvane_pdf::PdfRenderer>(renderer));
    threads_.emplace_back([this, i] { Work(*renderers_[static_cast<std::size_t>(i)]); });
  }
}

PdfStage::~PdfStage() {
  Cancel();
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  wanted_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  for (int& fd : wake_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void PdfStage::Add(PdfWork work) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++pending_;
    if (cancelled_) {
      RemoveScratch(work.scratch);
      done_.push_back({work.index, false, false, true, false, {}});
      const char byte = 1;
      static_cast<void>(::write(wake_[1], &byte, 1));
      return;
    }
    waiting_.push_back(std::move(work));
  }
  wanted_.notify_one();
}

std::vector<PdfDone> PdfStage::TakeDone() {
  char drained[256];
  while (wake_[0] >= 0 && ::read(wake_[0], drained, sizeof drained) > 0) {
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  std::vector<PdfDone> done;
  done.swap(done_);
  pending_ -= std::min(pending_, done.size());
  return done;
}

std::size_t PdfStage::Pending() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return pending_;
}

void PdfStage::Cancel() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) return;
    cancelled_ = true;
    for (const PdfWork& work : waiting_) {
      RemoveScratch(work.scratch);
      done_.push_back({work.index, false, false, true, false, {}});
    }
    waiting_.clear();
    const char byte = 1;
    static_cast<void>(::write(wake_[1], &byte, 1));
  }
  for (auto& renderer : renderers_) renderer->Cancel();
}

void PdfStage::Work(lorvane_pdf::PdfRenderer& renderer) {
  for (;;) {
    PdfWork work;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wanted_.wait(lock, [this] { return ending_ || !waiting_.empty(); });
      if (waiting_.empty()) return;
      work = std::move(waiting_.front());
      waiting_.pop_front();
    }
    PdfDone done = Make(renderer, work);
    RemoveScratch(work.scratch);
    const std::lock_guard<std::mutex> lock(mutex_);
    done_.push_back(std::move(done));
    const char byte = 1;
    static_cast<void>(::write(wake_[1], &byte, 1));
  }
}

PdfDone PdfStage::Make(lorvane_pdf::PdfRenderer& renderer, const PdfWork& work) {
  PdfDone done;
  done.index = work.index;
  int made = 0;
  // Renders one document and archives it at `target` with what belongs to it.
  const auto archive = [&](const fs::path& document, const std::string& target, bool replace,
                           const std::map<fs::path, std::string>& embeddedPdfs, const PdfFacts& facts,
                           bool main) -> bool {
    const std::string rendered = (fs::path(work.scratch) / (".rendered-" + std::to_string(made++) + ".pdf")).string();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(work.deadline -
                                                                           std::chrono::steady_clock::now());
    std::string failure;
    if (left.count() <= 0 || !renderer.Render(document.string(), rendered, left, failure, work.paper)) {
      done.stopped = renderer.Cancelled();
      done.timedOut = !done.stopped && std::chrono::steady_clock::now() >= work.deadline;
      done.reason = failure.empty() ? lorvane_pdf::RenderTimeLimitReason(std::chrono::milliseconds(0)) : failure;
      return false;
    }
    lorvane_pdf::ArchiveInput in;
    in.renderedPdf = rendered;
    in.target = target;
    in.replace = replace;
    const fs::path folder = AttachmentsOf(document);
    for (const std::string& saved : work.saved)
      if (fs::path(saved).parent_path() == folder) in.attachments.push_back({saved, fs::path(saved).filename().string(), {}});
    for (const auto& [embedded, pdf] : embeddedPdfs)
      if (embedded.parent_path() == folder)
        in.embeddedPdfs.push_back({pdf, embedded.stem().string() + ".pdf", embedded.filename().string()});
    in.subject = facts.subject;
    in.sender = facts.sender;
    if (facts.sent) in.sent = std::chrono::system_clock::time_point(std::chrono::seconds(*facts.sent));
    if (main) {
      in.message = {work.source, fs::path(work.source).filename().string(), {}};
    }
    if (!lorvane_pdf::Archive(in, failure)) {
      done.reason = failure;
      return false;
    }
    return true;
  };

  // The embedded messages deepest first, so each finds the PDFs of those inside it made.
  std::vector<PdfEmbedded> embedded(work.embedded.begin(), work.embedded.end());
  std::stable_sort(embedded.begin(), embedded.end(), [](const PdfEmbedded& a, const PdfEmbedded& b) {
    return Depth(a.document) > Depth(b.document);
  });
  std::map<fs::path, std::string> embeddedPdfs;
  for (const PdfEmbedded& inner : embedded) {
    const std::string pdf = (fs::path(work.scratch) / (".embedded-" + std::to_string(made) + ".pdf")).string();
    if (!archive(inner.document, pdf, false, embeddedPdfs, inner.facts, false)) return done;
    embeddedPdfs[inner.document] = pdf;
  }
  done.ok = archive(work.document, work.target, work.replace, embeddedPdfs, work.facts, true);
  return done;
}
