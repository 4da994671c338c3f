// Reading back a converter's journal and taking back what it lists. Each entry is walked
// down from the document's folder one name at a time (openat with O_NOFOLLOW), so a link
// planted anywhere on the way leads nowhere, and the last name is compared with the
// journal's device and inode right before it is removed.
#include "run/engine/conversion_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#include "converter/serve_protocol.h"

namespace {

namespace fs = std::filesystem;
namespace protocol = quorlin::serve_protocol;

constexpr std::string_view kAttachmentsSuffix = " attachments";

struct Entry {
  char kind;
  std::uint64_t device;
  std::uint64_t inode;
  std::vector<std::string> names;  // below the document's folder, at least one
};

// The names of `path` below `folder`, when it lies in the place a job writes to: directly
// in the folder, or anywhere below one of its " attachments" folders; none otherwise.
std::vector<std::string> NamesBelow(const fs::path& folder, const fs::path& path) {
  if (!path.is_absolute()) return {};
  auto part = path.begin();
  for (const fs::path& step : folder) {
    if (part == path.end() || *part != step) return {};
    ++part;
  }
  std::vector<std::string> names;
  for (; part != path.end(); ++part) {
    const std::string name = part->string();
    if (name.empty() || name == "." || name == "..") return {};
    names.push_back(name);
  }
  if (names.size() > 1) {
    const std::string& first = names.front();
    if (first.size() <= kAttachmentsSuffix.size() ||
        first.compare(first.size() - kAttachmentsSuffix.size(), kAttachmentsSuffix.size(), kAttachmentsSuffix) != 0)
      return {};
  }
  return names;
}

std::vector<Entry> ReadEntries(int fd, const fs::path& folder) {
  std::string bytes;
  char buffer[65536];
  for (off_t offset = 0;;) {
    const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
    offset += got;
  }
  constexpr std::size_t kIdDigits = protocol::kJournalIdDigits;
  std::vector<Entry> entries;
  // A last entry without its NUL was cut off by the kill.
  for (std::size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1) {
    const std::string_view entry = std::string_view(bytes).substr(start, end - start);
    if (entry.size() <= 1 + 2 * kIdDigits) continue;
    Entry read{entry[0], 0, 0, {}};
    if (read.kind != protocol::kJournalFolder && read.kind != protocol::kJournalFile &&
        read.kind != protocol::kJournalTemporary)
      continue;
    if (!protocol::JournalIdFrom(entry.data() + 1, read.device) ||
        !protocol::JournalIdFrom(entry.data() + 1 + kIdDigits, read.inode))
      continue;
    read.names = NamesBelow(folder, fs::path(std::string(entry.substr(1 + 2 * kIdDigits))));
    if (!read.names.empty()) entries.push_back(std::move(read));
  }
  return entries;
}

// Removes the entry's last name while it is still what the converter made.
void RemoveIfStillMade(int folder, const Entry& entry) {
  int at = ::dup(folder);
  for (std::size_t i = 0; at >= 0 && i + 1 < entry.names.size(); ++i) {
    const int next = ::openat(at, entry.names[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    ::close(at);
    at = next;
  }
  if (at < 0) return;
  const char* name = entry.names.back().c_str();
  struct stat now {};
  if (::fstatat(at, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && static_cast<std::uint64_t>(now.st_dev) == entry.device &&
      static_cast<std::uint64_t>(now.st_ino) == entry.inode) {
    const bool folderEntry = entry.kind == protocol::kJournalFolder;
    if (folderEntry == S_ISDIR(now.st_mode)) ::unlinkat(at, name, folderEntry ? AT_REMOVEDIR : 0);
  }
  ::close(at);
}

}  // namespace

bool ConversionJournal::Open(const std::string& path, std::string& failure) {
  Close();
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    failure = std::strerror(errno);
    return false;
  }
  path_ = path;
  return true;
}

void ConversionJournal::Clear() {
  if (fd_ >= 0 && ::ftruncate(fd_, 0) != 0) {
    // A journal that cannot be emptied cannot say which job its entries belong to.
    Close();
  }
}

void ConversionJournal::Undo(const std::string& document, bool documentFinished) {
  if (fd_ < 0) return;
  // The converter writes the paths as it was given them, made absolute as this does.
  const fs::path folder = fs::absolute(fs::path(document)).parent_path();
  const std::vector<Entry> entries = ReadEntries(fd_, folder);
  Clear();
  const int root = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root < 0) return;
  for (const Entry& entry : entries) {
    if (entry.kind == protocol::kJournalTemporary || (!documentFinished && entry.kind == protocol::kJournalFile))
      RemoveIfStillMade(root, entry);
  }
  // A folder inside another was entered after it: the innermost go first.
  if (!documentFinished) {
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
      if (entry->kind == protocol::kJournalFolder) RemoveIfStillMade(root, *entry);
  }
  ::close(root);
}

void ConversionJournal::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  fd_ = -1;
  path_.clear();
}
