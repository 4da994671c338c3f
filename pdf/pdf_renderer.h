// The renderer: one long-lived LibreOffice Writer that turns the converter's RTF documents
// into PDF/A-3b files, one at a time, for one worker of a run. LibreOffice runs headless
// with a private profile in a private temporary folder, driven through its UNO API by a
// small Python bridge (render_bridge.py) over a pipe; the bridge, LibreOffice's launcher
// and office process share one process group, so they end together.
//
// Threads: Render (and Start) from one thread at a time, e.g. the worker's own; Cancel from
// any thread. Not for a signal handler: a handler writes the run's stop descriptor, and the
// thread that watches it calls Cancel.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pdf/child_process.h"
#include "pdf/private_folder.h"

namespace lorvane_pdf {

struct RendererSettings {
  // LibreOffice's soffice; empty: FindLibreOffice().
  std::string office;
  // The bridge: a program and its first arguments, to which the renderer adds the office,
  // the profile's URL and the pipe's name. Empty: the Python that FindUnoPython finds, with
  // the bridge script the library carries. Tests put stand-ins here.
  std::vector<std::string> bridge;
  // Where the private folder is made; empty: $TMPDIR, else /tmp.
  std::string temporaryParent;
  // The address space each of LibreOffice's processes may take, so a hostile document
  // fails rather than exhausting the machine (0: no cap).
  std::uint64_t memoryLimit = std::uint64_t{3} << 30;
  // How long LibreOffice may take to start and accept work.
  std::chrono::milliseconds startLimit{60000};
};

// A paper size in hundredths of a millimetre, as LibreOffice measures pages.
struct PaperMillimetres {
  int width = 0;
  int height = 0;
};

class PdfRenderer {
 public:
  explicit PdfRenderer(RendererSettings settings = {});
  PdfRenderer(const PdfRenderer&) = delete;
  PdfRenderer& operator=(const PdfRenderer&) = delete;
  // Ends LibreOffice (asking first, for a moment, then by force) and removes the private
  // folder with its profile and every temporary and lock file, and LibreOffice's sockets.
  ~PdfRenderer();

  // Starts LibreOffice now rather than at the first Render, so a run can fail at its start.
  // False with one sentence when LibreOffice or the bridge is missing (see
  // MissingLibreOfficeReason) or when it cannot start. Does nothing when it runs already.
  bool Start(std::string& failure);

  // Renders the RTF document at `document` into a PDF/A-3b file at `pdf`, blocking. The PDF
  // is written inside the private folder and moved to `pdf` complete; a file at `pdf` is
  // replaced (it is the caller's scratch file: the archiver makes the final one). On
  // failure `pdf` is left as it was and `failure` holds a plain reason:
  // - LibreOffice could not read or export the document: the renderer stays for the next;
  // - `limit` passed (counted from the request; a start has its own limit): LibreOffice is
  //   ended, and the next call starts a fresh one;
  // - LibreOffice crashed: it is replaced at the next call;
  // - Cancel was called (before or during): "the run was stopped".
  // With `paper` every page of the PDF has that size, whatever the document states.
  bool Render(const std::string& document, const std::string& pdf, std::chrono::milliseconds limit,
              std::string& failure, std::optional<PaperMillimetres> paper = std::nullopt);

  // Ends LibreOffice at once; the Render under way and every later one fail.
  void Cancel();
  bool Cancelled() const { return cancelled_; }

  // The private folder, while LibreOffice runs or has run (tests look inside).
  std::string Folder() const;

 private:
  enum class Answer { kAnswer, kEnded, kTimeOut };
  Answer ReadAnswer(std::chrono::steady_clock::time_point deadline, std::string& word, std::string& reason);
  // Ends the group and removes what the office left (profile, temporary files, sockets).
  std::string EndOffice();
  void StopGracefully();

  RendererSettings settings_;
  std::atomic<bool> cancelled_{false};
  mutable std::mutex mutex_;  // guards child_'s process group against Cancel
  ChildProcess child_;
  PrivateFolder folder_;
  std::string pipe_;
  std::string pending_;
  int starts_ = 0;
};

// "LibreOffice took longer than 120 seconds to make the PDF" ("1 second", "0.5 seconds").
std::string RenderTimeLimitReason(std::chrono::milliseconds limit);

}  // namespace lorvane_pdf
