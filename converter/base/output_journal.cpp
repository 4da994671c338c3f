// The journal's descriptor and state live in fixed storage, the state set after the
// descriptor, so a signal handler that runs at any moment sees a whole journal or none.
// Entries are appended (O_APPEND) and read back from the start with pread into a fixed
// buffer, a few passes over the file: files and temporary names first, then folders,
// innermost first, until no more can go.
#include "converter/base/output_journal.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "converter/base/errors.h"
#include "converter/serve_protocol.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;
namespace protocol = serve_protocol;

constexpr std::size_t kMostPath = 4096;
constexpr std::size_t kIdBytes = 2 * protocol::kJournalIdDigits;

int journal_fd = -1;
// 0: no conversion; 1: begun, nothing written yet; 2: entries written.
volatile std::sig_atomic_t journal_state = 0;

std::string JournalError(const std::string& what) {
  return "cannot keep the conversion's journal" + what + ": " + std::strerror(errno);
}

void AppendId(std::string& text, std::uint64_t value) {
  const auto digits = protocol::JournalIdText(value);
  text.append(digits.data(), digits.size());
}

// Calls `each(kind, identity, path)` for every whole entry of the journal.
template <typename Each>
void ForEachEntry(Each each) {
  static char buffer[2 * (kMostPath + kIdBytes) + 2];
  std::size_t held = 0;
  off_t offset = 0;
  for (;;) {
    const ssize_t got = ::pread(journal_fd, buffer + held, sizeof buffer - held, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    offset += got;
    held += static_cast<std::size_t>(got);
    std::size_t start = 0;
    for (std::size_t i = 0; i < held; ++i) {
      if (buffer[i] != '\0') continue;
      FileIdentity identity;
      if (i > start + 1 + kIdBytes && protocol::JournalIdFrom(buffer + start + 1, identity.device) &&
          protocol::JournalIdFrom(buffer + start + 1 + protocol::kJournalIdDigits, identity.inode))
        each(buffer[start], identity, buffer + start + 1 + kIdBytes);
      start = i + 1;
    }
    if (start == 0 && held == sizeof buffer) {
      held = 0;  // an entry longer than any path: not one this converter wrote
      continue;
    }
    std::memmove(buffer, buffer + start, held - start);
    held -= start;
  }
}

bool StillIs(const char* path, const FileIdentity& made) {
  struct stat now {};
  return ::lstat(path, &now) == 0 && static_cast<std::uint64_t>(now.st_dev) == made.device &&
         static_cast<std::uint64_t>(now.st_ino) == made.inode;
}

void Write(char kind, const fs::path& path, const FileIdentity& made) {
  if (journal_state == 0) return;
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  std::string entry(1, kind);
  AppendId(entry, made.device);
  AppendId(entry, made.inode);
  entry += absolute.native();
  if (absolute.native().size() >= kMostPath)
    throw IoError("cannot save \"" + path.string() + "\": its path is too long");
  entry += '\0';
  journal_state = 2;
  for (std::size_t done = 0; done < entry.size();) {
    const ssize_t written = ::write(journal_fd, entry.data() + done, entry.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw IoError(JournalError(""));
    done += static_cast<std::size_t>(written);
  }
}

// An unnamed file in the temporary folder, open for appending, or -1.
int OpenUnnamedJournal() {
  const char* folder = std::getenv("TMPDIR");
  if (folder == nullptr || *folder == '\0') folder = "/tmp";
#if defined(O_TMPFILE)
  const int fd = ::open(folder, O_TMPFILE | O_RDWR | O_APPEND | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
#endif
  std::string name = std::string(folder) + "/quorlin-journal-XXXXXX";
  const int named = ::mkostemp(name.data(), O_CLOEXEC | O_APPEND);
  if (named < 0) return -1;
  ::unlink(name.c_str());
  return named;
}

}  // namespace

FileIdentity IdentityOfOpenFile(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw IoError(JournalError(" (the file made cannot be looked at)"));
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

JournalStep::JournalStep() {
  static_assert(sizeof previous_ >= sizeof(sigset_t));
  sigset_t stops;
  sigemptyset(&stops);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stops, signal);
  ::pthread_sigmask(SIG_BLOCK, &stops, reinterpret_cast<sigset_t*>(previous_));
}

JournalStep::~JournalStep() { ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<sigset_t*>(previous_), nullptr); }

void KeepOutputJournalAt(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) throw IoError(JournalError(" \"" + path.string() + "\""));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    throw IoError(JournalError(" \"" + path.string() + "\""));
  }
  journal_state = 0;
  if (journal_fd >= 0) ::close(journal_fd);
  journal_fd = fd;
}

void BeginOutputJournal() {
  EndOutputJournal();
  if (journal_fd < 0) journal_fd = OpenUnnamedJournal();
  if (journal_fd < 0) throw IoError(JournalError(" in the temporary folder"));
  journal_state = 1;
}

void EndOutputJournal() noexcept {
  const bool written = journal_state == 2;
  journal_state = 0;
  if (written && ::ftruncate(journal_fd, 0) != 0) {
    // Left as it is: the next entries follow it, and only this process reads it unless
    // it is ended, when the program that ended it takes the entries of the job under way.
  }
}

void JournalFolder(const fs::path& folder) {
  if (journal_state == 0) return;
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) throw IoError(JournalError(" (the folder made cannot be looked at)"));
  Write(protocol::kJournalFolder, folder, {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)});
}

void JournalFile(const fs::path& file, const FileIdentity& made) { Write(protocol::kJournalFile, file, made); }

void JournalTemporary(const fs::path& name, const FileIdentity& made) {
  Write(protocol::kJournalTemporary, name, made);
}

void RemoveJournaledOutput() noexcept {
  if (journal_state != 2) {
    journal_state = 0;
    return;
  }
  ForEachEntry([](char kind, const FileIdentity& made, const char* path) {
    if ((kind == protocol::kJournalFile || kind == protocol::kJournalTemporary) && StillIs(path, made))
      ::unlink(path);
  });
  // A folder inside another was made after it: each pass removes the innermost ones left.
  for (int pass = 0; pass < 64; ++pass) {
    bool removed = false;
    ForEachEntry([&removed](char kind, const FileIdentity& made, const char* path) {
      if (kind == protocol::kJournalFolder && StillIs(path, made) && ::rmdir(path) == 0) removed = true;
    });
    if (!removed) break;
  }
  EndOutputJournal();
}

}  // namespace quorlin
