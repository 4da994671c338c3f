// Recognising and removing a converter's temporary files by their name pattern, and
// reading back a conversion's journal. A journal's entries are one letter and a path, each
// ended by a NUL byte; a last entry without its NUL was cut off and is ignored:
//   d  a folder: removed once it is empty
//   t  a temporary file: removed
//   p  about to be linked from the last temporary: removed while it is that same file
//   f  a file the conversion made: removed
#include "run/converter_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <vector>

namespace {

constexpr std::size_t kKeptNameBytes = 100;

std::size_t NameStart(const std::string& document) {
  const std::size_t slash = document.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string ConverterTemporaryStem(const std::string& document) {
  const std::size_t start = NameStart(document);
  return document.substr(0, start) + "." + document.substr(start, kKeptNameBytes);
}

namespace {

// "<hex digits><ending>"
bool IsHexAnd(const std::string& text, const std::string& ending) {
  if (text.size() <= ending.size() || text.compare(text.size() - ending.size(), ending.size(), ending) != 0)
    return false;
  return std::all_of(text.begin(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                     [](unsigned char c) { return std::isxdigit(c) != 0; });
}

// ".<the document's name or its first 100 bytes>.<hex digits><ending>"
bool IsHiddenFileOf(const std::string& document, const std::string& name, const std::string& ending) {
  const std::string full = document.substr(NameStart(document));
  const std::string kept = full.substr(0, kKeptNameBytes);
  if (name.size() < kept.size() + 2 || name[0] != '.' || name.compare(1, kept.size(), kept) != 0) return false;
  std::string rest = name.substr(1 + kept.size());
  const std::string cut = full.substr(kept.size());
  if (!cut.empty() && rest.compare(0, cut.size(), cut) == 0 && rest.size() > cut.size() && rest[cut.size()] == '.' &&
      IsHexAnd(rest.substr(cut.size() + 1), ending))
    return true;
  return rest[0] == '.' && IsHexAnd(rest.substr(1), ending);
}

std::string FolderOf(const std::string& document) {
  const std::size_t start = NameStart(document);
  return start == 0 ? "." : document.substr(0, start);
}

// The names in the document's folder that `match` takes.
template <typename Match>
std::vector<std::string> EntriesOf(const std::string& document, Match match) {
  std::vector<std::string> found;
  DIR* dir = ::opendir(FolderOf(document).c_str());
  if (!dir) return found;
  while (const dirent* entry = ::readdir(dir)) {
    if (match(std::string(entry->d_name))) found.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  return found;
}

std::string ReadWhole(const std::string& path) {
  std::string bytes;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return bytes;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  return ::lstat(a.c_str(), &first) == 0 && ::lstat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// Removes what one journal lists, in the order that lets each step work: files (a link
// only while it is still its temporary), then temporary files, then folders, innermost
// first.
void UndoJournal(const std::string& journal) {
  struct Entry {
    char kind;
    std::string path;
  };
  std::vector<Entry> entries;
  const std::string bytes = ReadWhole(journal);
  for (std::size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1) {
    if (end > start + 1) entries.push_back({bytes[start], bytes.substr(start + 1, end - start - 1)});
  }
  std::string temporary;
  for (const Entry& entry : entries) {
    if (entry.kind == 't') temporary = entry.path;
    if (entry.kind == 'f' || (entry.kind == 'p' && !temporary.empty() && SameFile(entry.path, temporary)))
      ::unlink(entry.path.c_str());
  }
  for (const Entry& entry : entries) {
    if (entry.kind == 't') ::unlink(entry.path.c_str());
  }
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (entry->kind == 'd') ::rmdir(entry->path.c_str());
  }
}

}  // namespace

bool IsConverterTemporary(const std::string& document, const std::string& name) {
  return IsHiddenFileOf(document, name, ".tmp");
}

bool IsConverterJournal(const std::string& document, const std::string& name) {
  return IsHiddenFileOf(document, name, ".journal");
}

namespace {

// Removes the document's journals, each after undoing what it lists when `undo` is set,
// then its temporary files.
void RemoveJournals(const std::string& document, bool undo) {
  const std::string folder = document.substr(0, NameStart(document));
  for (const std::string& name :
       EntriesOf(document, [&document](const std::string& entry) { return IsConverterJournal(document, entry); })) {
    if (undo) UndoJournal(folder + name);
    ::unlink((folder + name).c_str());
  }
  RemoveConverterTemporaries(document);
}

}  // namespace

void RemoveConversionLeftovers(const std::string& document) { RemoveJournals(document, true); }

void RemoveConverterJournals(const std::string& document) { RemoveJournals(document, false); }

void RemoveConverterTemporaries(const std::string& document) {
  const std::string folder = document.substr(0, NameStart(document));
  for (const std::string& name :
       EntriesOf(document, [&document](const std::string& entry) { return IsConverterTemporary(document, entry); }))
    ::unlink((folder + name).c_str());
}
