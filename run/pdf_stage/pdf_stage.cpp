// The PDF stage's threads and the making of one message's PDF: its embedded messages'
// PDFs first, each after those inside it, each carrying what was saved for its document,
// then the message's PDF carrying its attachments, those PDFs and the original message.
#include "run/pdf_stage/pdf_stage.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "pdf/pdf_archiver.h"

namespace fs = std::filesystem;

namespace {

using quorlin::serve_protocol::Result;

void RemoveScratch(const std::string& scratch) {
  std::error_code ignored;
  if (!scratch.empty()) fs::remove_all(scratch, ignored);
}

// What the PDF of the document at `at` carries: the files saved for it, the PDFs of its
// embedded messages (named like their documents, in the order of those names) and, for the
// message's own, the message itself; and its message's facts.
lorvane_pdf::ArchiveInput ArchiveInputFor(const PdfWork& work, std::size_t at, const std::vector<std::string>& made) {
  const PdfDocument& document = work.documents[at];
  const bool own = at + 1 == work.documents.size();
  lorvane_pdf::ArchiveInput in;
  in.target = made[at];
  in.replace = own && work.replace;
  for (const std::string& saved : document.saved) in.attachments.push_back({saved, fs::path(saved).filename().string(), {}});
  std::vector<std::size_t> embedded = document.embedded;
  std::sort(embedded.begin(), embedded.end(), [&work](std::size_t a, std::size_t b) {
    return fs::path(work.documents[a].document) < fs::path(work.documents[b].document);
  });
  for (const std::size_t inner : embedded) {
    const fs::path path(work.documents[inner].document);
    in.embeddedPdfs.push_back({made[inner], path.stem().string() + ".pdf", path.filename().string()});
  }
  in.subject = document.facts.subject;
  in.sender = document.facts.sender;
  if (document.facts.sent) in.sent = std::chrono::system_clock::time_point(std::chrono::seconds(*document.facts.sent));
  if (own) in.message = {work.source, fs::path(work.source).filename().string(), {}};
  return in;
}

// Renders the document at `at` and archives it at made[at] with what belongs to it: its
// saved files, the PDFs of its embedded messages and, for the message's own, the message.
// False with the outcome in `done` when it fails.
bool MakeOne(lorvane_pdf::PdfRenderer& renderer, const PdfWork& work, std::size_t at,
             const std::vector<std::string>& made, PdfDone& done) {
  const PdfDocument& document = work.documents[at];
  const std::string rendered = (fs::path(work.scratch) / (".rendered-" + std::to_string(at) + ".pdf")).string();
  const auto now = std::chrono::steady_clock::now();
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(work.deadline - now);
  std::string failure;
  if (left.count() <= 0 || !renderer.Render(document.document, rendered, left, failure, work.paper)) {
    done.result = renderer.Cancelled()                               ? Result::kStopped
                  : std::chrono::steady_clock::now() >= work.deadline ? Result::kTimedOut
                                                                      : Result::kPdfFailed;
    done.reason = failure.empty() ? lorvane_pdf::RenderTimeLimitReason(std::chrono::milliseconds(0)) : failure;
    return false;
  }
  lorvane_pdf::ArchiveInput in = ArchiveInputFor(work, at, made);
  in.renderedPdf = rendered;
  if (!lorvane_pdf::Archive(in, failure)) {
    done.result = Result::kPdfFailed;
    done.reason = failure;
    return false;
  }
  return true;
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
      done_.push_back({work.index, Result::kNotStarted, {}});
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
      done_.push_back({work.index, Result::kNotStarted, {}});
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
  // Each document's PDF, made in the list's order: the embedded ones first, so each finds
  // the PDFs of those inside it made.
  std::vector<std::string> made(work.documents.size());
  for (std::size_t at = 0; at < work.documents.size(); ++at) {
    const bool own = at + 1 == work.documents.size();
    made[at] = own ? work.target : (fs::path(work.scratch) / (".embedded-" + std::to_string(at) + ".pdf")).string();
    if (!MakeOne(renderer, work, at, made, done)) return done;
  }
  return done;
}
