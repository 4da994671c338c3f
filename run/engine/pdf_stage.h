// The PDF stage of a run: each message the converters made a document of becomes one
// PDF/A-3b file holding the message as it reads, its saved attachments, each embedded
// message as a PDF of its own and the original message itself. The stage works on threads
// of its own, one long-lived LibreOffice each (lorvane_pdf::PdfRenderer), so the converters
// go on with the next messages meanwhile; the run's loop learns of finished work through a
// descriptor that becomes readable. Standard C++ only, like the engine's loop.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "pdf/pdf_renderer.h"

// What a PDF's metadata says: the message's whole subject, its sender, when it was sent.
struct PdfFacts {
  std::string subject;
  std::string sender;
  std::optional<std::int64_t> sent;  // seconds since 1970, UTC
};

// An embedded message's document and its own message's facts.
struct PdfEmbedded {
  std::string document;
  PdfFacts facts;
};

// One message's work, everything the converter made of it inside `scratch` (a folder of the
// run's own, removed when the work is done).
struct PdfWork {
  std::size_t index = 0;        // the run's job
  std::string source;           // the message file (carried as the PDF's source)
  std::string scratch;          // the work's private folder
  std::string document;         // the converter's document inside `scratch`
  std::string target;           // the final PDF
  bool replace = false;         // the target may replace a file there
  PdfFacts facts;                     // the message's own
  std::vector<std::string> saved;     // attachment files written, at every depth
  std::vector<PdfEmbedded> embedded;  // embedded messages' documents, at every depth
  // The user's paper, which every page of every PDF of the message takes; nothing keeps
  // the pages the documents state.
  std::optional<lorvane_pdf::PaperMillimetres> paper;
  std::chrono::steady_clock::time_point deadline;
};

struct PdfDone {
  std::size_t index = 0;
  bool ok = false;
  bool stopped = false;     // the stage was cancelled while it was under way
  bool notStarted = false;  // the stage was cancelled before its PDF was begun
  bool timedOut = false;  // the renderer passed the work's deadline
  std::string reason;     // why it failed; empty when ok
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
