// The PDF stage of the Windows build: a PDF run ends at its start, saying why
// (OfficeMissingReason), so no work should reach it; any that does fails with the same
// sentence rather than waiting for a renderer that is not there. Its wake pipe is an
// anonymous pipe of the C runtime, which the run's wait looks into without blocking.
#include "run/pdf_stage/pdf_stage.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>

#include "pdf/office_location.h"

PdfStage::PdfStage(int, lorvane_pdf::RendererSettings) {
  if (::_pipe(wake_, 256, _O_BINARY | _O_NOINHERIT) != 0) wake_[0] = wake_[1] = -1;
}

PdfStage::~PdfStage() {
  for (int& fd : wake_) {
    if (fd >= 0) ::_close(fd);
    fd = -1;
  }
}

void PdfStage::Add(PdfWork work) {
  const std::lock_guard<std::mutex> lock(mutex_);
  ++pending_;
  done_.push_back({work.index, cancelled_ ? quorlin::serve_protocol::Result::kStopped
                                          : quorlin::serve_protocol::Result::kPdfFailed,
                   cancelled_ ? std::string() : lorvane_pdf::OfficeMissingReason()});
  const char wake = 1;
  if (wake_[1] >= 0) static_cast<void>(::_write(wake_[1], &wake, 1));
}

std::vector<PdfDone> PdfStage::TakeDone() {
  if (wake_[0] >= 0) {
    // Only what is there: a read of an empty anonymous pipe would wait.
    DWORD waiting = 0;
    const HANDLE pipe = reinterpret_cast<HANDLE>(::_get_osfhandle(wake_[0]));
    char drained[256];
    while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0 &&
           ::_read(wake_[0], drained, static_cast<unsigned>(std::min<DWORD>(waiting, sizeof drained))) > 0) {
    }
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
  const std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = true;
}
