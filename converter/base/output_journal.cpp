// The journal's path and descriptor live in fixed storage, set before the flag that says
// they are there, so a signal handler that runs at any moment sees a whole journal or none.
// Reading it back takes a fixed buffer and a few passes over the file: files first, then
// temporary files (a link is checked against its temporary before that goes), then folders,
// innermost first, until no more can go.
#include "converter/base/output_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "converter/base/errors.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMostPath = 4096;
constexpr std::size_t kKeptNameBytes = 100;

char journal_path[kMostPath];
char last_temporary[kMostPath];
int journal_fd = -1;
// 0: no journal; 1: begun, nothing written yet; 2: the file exists.
volatile std::sig_atomic_t journal_state = 0;

// Calls `each(kind, path)` for every whole entry of the journal. Returns false when the
// journal cannot be read.
template <typename Each>
bool ForEachEntry(Each each) {
  const int fd = ::open(journal_path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  static char buffer[2 * kMostPath + 2];
  std::size_t held = 0;
  for (;;) {
    const ssize_t got = ::read(fd, buffer + held, sizeof buffer - held);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    held += static_cast<std::size_t>(got);
    std::size_t start = 0;
    for (std::size_t i = 0; i < held; ++i) {
      if (buffer[i] != '\0') continue;
      if (i > start + 1) each(buffer[start], buffer + start + 1);
      start = i + 1;
    }
    if (start == 0 && held == sizeof buffer) {
      held = 0;  // an entry longer than any path: not one this converter wrote
      continue;
    }
    std::memmove(buffer, buffer + start, held - start);
    held -= start;
  }
  ::close(fd);
  return true;
}

bool SameFile(const char* a, const char* b) {
  struct stat first {}, second {};
  return ::lstat(a, &first) == 0 && ::lstat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

void CopyPath(char* into, const char* path) {
  const std::size_t length = std::strlen(path);
  if (length >= kMostPath) {
    into[0] = '\0';
    return;
  }
  std::memcpy(into, path, length + 1);
}

void Write(char kind, const fs::path& path) {
  if (journal_state == 0) return;
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  std::string entry(1, kind);
  entry += absolute.string();
  if (entry.size() >= kMostPath) throw IoError("cannot save \"" + path.string() + "\": its path is too long");
  entry += '\0';
  if (journal_state == 1) {
    const int fd = ::open(journal_path, O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) throw IoError(std::string("cannot write the conversion's journal \"") + journal_path + "\": " +
                              std::strerror(errno));
    journal_fd = fd;
    journal_state = 2;
  }
  const ssize_t written = ::write(journal_fd, entry.data(), entry.size());
  if (written != static_cast<ssize_t>(entry.size()))
    throw IoError(std::string("cannot write the conversion's journal \"") + journal_path + "\"");
}

}  // namespace

void BeginOutputJournal(const fs::path& document) {
  EndOutputJournal();
  static std::mt19937_64 random{std::random_device{}()};
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  std::error_code error;
  fs::path absolute = fs::absolute(document, error);
  if (error) absolute = document;
  const fs::path folder = absolute.parent_path();
  const fs::path path =
      folder / ("." + absolute.filename().string().substr(0, kKeptNameBytes) + "." + suffix + ".journal");
  if (path.string().size() >= kMostPath) return;  // no file can be made there either
  CopyPath(journal_path, path.c_str());
  journal_state = 1;
}

void EndOutputJournal() noexcept {
  const bool written = journal_state == 2;
  journal_state = 0;
  if (journal_fd >= 0) ::close(journal_fd);
  journal_fd = -1;
  if (written) ::unlink(journal_path);
}

void JournalFolder(const fs::path& folder) { Write('d', folder); }
void JournalTemporary(const fs::path& temporary) { Write('t', temporary); }
void JournalLink(const fs::path& name) { Write('p', name); }
void JournalFile(const fs::path& file) { Write('f', file); }

void RemoveJournaledOutput() noexcept {
  if (journal_state != 2) {
    journal_state = 0;
    return;
  }
  last_temporary[0] = '\0';
  ForEachEntry([](char kind, const char* path) {
    if (kind == 't') CopyPath(last_temporary, path);
    if (kind == 'f' || (kind == 'p' && last_temporary[0] != '\0' && SameFile(path, last_temporary)))
      ::unlink(path);
  });
  ForEachEntry([](char kind, const char* path) {
    if (kind == 't') ::unlink(path);
  });
  // A folder inside another was made after it: each pass removes the innermost ones left.
  for (int pass = 0; pass < 64; ++pass) {
    bool removed = false;
    ForEachEntry([&removed](char kind, const char* path) {
      if (kind == 'd' && ::rmdir(path) == 0) removed = true;
    });
    if (!removed) break;
  }
  EndOutputJournal();
}

}  // namespace quorlin
