// The PDF stage of the Windows build: a PDF run ends at its start, saying why
// (FormatMissingReason), so no work should reach it; any that does fails with the same
// sentence rather than waiting for a renderer that is not there.
#include "run/pdf_stage/pdf_stage.h"

#include "pdf/office_location.h"
#include "platform/descriptor_wait.h"

#include <io.h>

#include <algorithm>

PdfStage::PdfStage(int, lorvane_pdf::RendererSettings) { MakeWakePipe(wake_); }

PdfStage::~PdfStage() { CloseWakePipe(wake_); }

void PdfStage::Add(PdfWork work) {
  const std::lock_guard<std::mutex> lock(mutex_);
  ++pending_;
  done_.push_back({work.index, false, cancelled_, false, false, lorvane_pdf::OfficeMissingReason()});
  WakeWith(wake_[1], 1);
}

std::vector<PdfDone> PdfStage::TakeDone() {
  std::vector<bool> ready;
  char drained[256];
  while (WaitForInput({wake_[0]}, ready, 0) > 0 && ::_read(wake_[0], drained, sizeof drained) > 0) {
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
