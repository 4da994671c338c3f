// The renderer's life: starting LibreOffice through the bridge, one request and answer per
// document under a deadline, and ending it all (by request, time limit, crash or Cancel)
// without leaving its files behind.
#include "pdf/pdf_renderer.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "pdf/bridge_script.h"
#include "pdf/bridge_words.h"
#include "pdf/office_location.h"
#include "pdf/office_pipes.h"
#include "pdf/output_file.h"

namespace lorvane_pdf {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kStopped = "the run was stopped";

std::string NewPipeName() {
  static std::atomic<unsigned> counter{0};
  return "lorvane_pdf_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
}

// Writes all of `bytes`; a reader that has gone makes it fail, never raises SIGPIPE in this
// program (the signal is held for this thread while writing and taken back if it came).
bool WriteAll(int fd, const std::string& bytes) {
  sigset_t pipe;
  sigset_t before;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  ::pthread_sigmask(SIG_BLOCK, &pipe, &before);
  std::size_t done = 0;
  bool ok = true;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (!ok && errno == EPIPE) {
    const timespec now{0, 0};
    ::sigtimedwait(&pipe, nullptr, &now);
  }
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return ok;
}

bool StartsLikePdf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  char head[5] = {};
  return file.read(head, sizeof head) && std::string(head, sizeof head) == "%PDF-";
}

}  // namespace

std::string RenderTimeLimitReason(std::chrono::milliseconds limit) {
  const long long ms = limit.count();
  std::string amount;
  if (ms % 1000 == 0) {
    amount = std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
  } else {
    char text[32];
    std::snprintf(text, sizeof text, "%g seconds", static_cast<double>(ms) / 1000.0);
    amount = text;
  }
  return "LibreOffice took longer than " + amount + " to make the PDF";
}

PdfRenderer::PdfRenderer(RendererSettings settings) : settings_(std::move(settings)) {}

PdfRenderer::~PdfRenderer() {
  StopGracefully();
  folder_.Remove();
}

std::string PdfRenderer::Folder() const { return folder_.Path(); }

bool PdfRenderer::Start(std::string& failure) {
  if (cancelled_) {
    failure = kStopped;
    return false;
  }
  if (child_.Running()) return true;
  const std::string office = settings_.office.empty() ? FindLibreOffice() : settings_.office;
  if (office.empty()) {
    failure = MissingLibreOfficeReason();
    return false;
  }
  std::vector<std::string> arguments = settings_.bridge;
  try {
    if (folder_.Path().empty()) folder_.Make(settings_.temporaryParent, "lorvane-pdf-");
  } catch (const std::runtime_error& refused) {
    failure = refused.what();
    return false;
  }
  const std::string root = folder_.Path();
  if (arguments.empty()) {
    const std::string python = CachedUnoPython(office);
    if (python.empty()) {
      failure = MissingUnoReason();
      return false;
    }
    std::ofstream script(root + "/render_bridge.py", std::ios::binary | std::ios::trunc);
    script << BridgeScript();
    if (!script.flush()) {
      failure = "cannot write into " + root;
      return false;
    }
    arguments = {python, root + "/render_bridge.py"};
  }
  std::error_code error;
  for (const char* sub : {"/tmp", "/out"}) fs::create_directories(root + sub, error);
  pipe_ = NewPipeName();
  const std::string profile = ProfileUrl(root + "/profile");
  arguments.insert(arguments.end(), {office, profile, pipe_});
  // LibreOffice's temporary files go into the private folder with everything else. The
  // bridge ends the office and removes the folder itself should this program be gone
  // without doing so (killed outright).
  const std::vector<std::string> environment = {"TMPDIR=" + root + "/tmp", "SAL_USE_VCLPLUGIN=svp",
                                                "LORVANE_PDF_PARENT=" + std::to_string(::getpid()),
                                                "LORVANE_PDF_FOLDER=" + root};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) {
      failure = kStopped;
      return false;
    }
    try {
      child_.Start(arguments, environment, settings_.memoryLimit, true);
    } catch (const std::runtime_error& refused) {
      failure = std::string("LibreOffice could not start: ") + refused.what();
      return false;
    }
  }
  ++starts_;
  pending_.clear();
  std::string word;
  std::string reason;
  const Answer answer = ReadAnswer(Clock::now() + settings_.startLimit, word, reason);
  if (answer == Answer::kAnswer && word == bridge_word::kReady) return true;
  const std::string how = EndOffice();
  if (cancelled_) {
    failure = kStopped;
  } else if (answer == Answer::kTimeOut) {
    failure = "LibreOffice did not start within " + std::to_string(settings_.startLimit.count() / 1000) + " seconds";
  } else {
    failure = "LibreOffice could not start: " + (!reason.empty() ? reason : !how.empty() ? how : "it stopped");
  }
  return false;
}

bool PdfRenderer::Render(const std::string& document, const std::string& pdf, std::chrono::milliseconds limit,
                         std::string& failure, std::optional<PaperMillimetres> paper) {
  if (std::FILE* probe = std::fopen(document.c_str(), "rb")) {
    std::fclose(probe);
  } else {
    failure = "cannot read " + document + ": " + std::strerror(errno);
    return false;
  }
  if (!Start(failure)) return false;
  const std::string out = folder_.Path() + "/out/document.pdf";
  ::unlink(out.c_str());
  std::error_code error;
  const std::string absolute = fs::absolute(document, error).string();
  std::string request = absolute;
  request.push_back('\0');
  request += out;
  request.push_back('\0');
  if (paper) request += std::to_string(paper->width) + " " + std::to_string(paper->height);
  request.push_back('\0');
  const auto deadline = Clock::now() + limit;
  std::string word;
  std::string reason;
  const Answer answer = WriteAll(child_.Input(), request) ? ReadAnswer(deadline, word, reason) : Answer::kEnded;
  if (answer == Answer::kAnswer && word == bridge_word::kOk) {
    if (!StartsLikePdf(out)) {
      failure = "LibreOffice made no PDF of the document";
      return false;
    }
    try {
      MoveFile(out, pdf);
    } catch (const std::runtime_error& refused) {
      failure = refused.what();
      return false;
    }
    return true;
  }
  if (answer == Answer::kAnswer && word == bridge_word::kFailed && !cancelled_) {
    ::unlink(out.c_str());
    failure = "LibreOffice could not make a PDF of the document: " + reason;
    return false;
  }
  // Past the limit, crashed, broke the exchange or was cancelled: this office is done.
  const std::string how = EndOffice();
  if (cancelled_) {
    failure = kStopped;
  } else if (answer == Answer::kTimeOut) {
    failure = RenderTimeLimitReason(limit);
  } else {
    const std::string said = word == bridge_word::kEnded ? reason : how;
    failure = "LibreOffice ended while making the PDF" + (said.empty() ? std::string() : " (" + said + ")");
  }
  return false;
}

void PdfRenderer::Cancel() {
  cancelled_ = true;
  std::lock_guard<std::mutex> lock(mutex_);
  child_.SignalGroup();
}

PdfRenderer::Answer PdfRenderer::ReadAnswer(Clock::time_point deadline, std::string& word, std::string& reason) {
  char buffer[4096];
  for (;;) {
    const std::size_t first = pending_.find('\0');
    const std::size_t second = first == std::string::npos ? first : pending_.find('\0', first + 1);
    if (second != std::string::npos) {
      word = pending_.substr(0, first);
      reason = pending_.substr(first + 1, second - first - 1);
      pending_.erase(0, second + 1);
      return Answer::kAnswer;
    }
    if (pending_.size() > 64 * 1024) return Answer::kEnded;  // no answer is that long
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Answer::kTimeOut;
    pollfd ready{child_.Output(), POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(std::min<long long>(left, 1000)));
    if (polled < 0 && errno != EINTR) return Answer::kEnded;
    if (polled <= 0) continue;
    const ssize_t n = ::read(child_.Output(), buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return Answer::kEnded;
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}

std::string PdfRenderer::EndOffice() {
  std::string how;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    how = child_.KillGroup();
  }
  pending_.clear();
  if (!folder_.Path().empty()) {
    RemoveSockets(OfficeSockets(ProfileUrl(folder_.Path() + "/profile"), pipe_));
    // A fresh profile for the next start: a killed office may have left this one half written.
    folder_.Empty();
  }
  return how;
}

void PdfRenderer::StopGracefully() {
  if (child_.Running() && !cancelled_) {
    // The end of its input asks the bridge to close LibreOffice; a few seconds, then force.
    child_.CloseInput();
    std::lock_guard<std::mutex> lock(mutex_);
    child_.WaitForExit(std::chrono::seconds(5));
  }
  EndOffice();
}

}  // namespace lorvane_pdf
