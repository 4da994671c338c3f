// The PDF stage of a run: each message the converters made a document of becomes one
// PDF/A-3b file holding the message as it reads, its saved attachments, each embedded
// message as a PDF of its own and the original message itself. The stage works on threads
// of its own, one long-lived LibreOffice each (lorvane_pdf::PdfRenderer), so the converters
// go on with the next messages meanwhile; the run's loop learns of finished work through a
// descriptor that becomes readable. Standard C++ and libqpdf, no Qt.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "converter/serve_protocol.h"
#include "pdf/pdf_renderer.h"
#include "run/pdf_stage/pdf_work.h"

// What became of one message's work: ok, or why there is no PDF (kPdfFailed with the
// renderer's or the archiver's reason; kTimedOut past the work's deadline; kStopped when the
// stage was cancelled while it was under way, kNotStarted before it was begun).
struct PdfDone {
  std::size_t index = 0;
  quorlin::serve_protocol::Result result = quorlin::serve_protocol::Result::kOk;
  std::string reason;  // empty when ok
};

class PdfStage {
 public:
  // `workers` threads, each with its own renderer made from `renderer`.
  PdfStage(int workers, lorvane_pdf::RendererSettings renderer);
  // Cancels, waits for the threads and removes every scratch folder left.
  ~PdfStage();
  PdfStage(const PdfStage&) = delete;
  PdfStage& operator=(const PdfStage&) = delete;

  void Add(PdfWork work);
  // Readable while finished work waits to be taken.
  int Descriptor() const { return wake_[0]; }
  std::vector<PdfDone> TakeDone();
  // Work added and not yet taken back with TakeDone.
  std::size_t Pending() const;
  // Ends every renderer at once: the work under way and all waiting fail as stopped.
  void Cancel();

 private:
  void Work(lorvane_pdf::PdfRenderer& renderer);
  PdfDone Make(lorvane_pdf::PdfRenderer& renderer, const PdfWork& work);

  mutable std::mutex mutex_;
  std::condition_variable wanted_;
  std::deque<PdfWork> waiting_;
  std::vector<PdfDone> done_;
  std::size_t pending_ = 0;
  bool cancelled_ = false;
  bool ending_ = false;
  int wake_[2] = {-1, -1};
  std::vector<std::unique_ptr<lorvane_pdf::PdfRenderer>> renderers_;
  std::vector<std::thread> threads_;
};
