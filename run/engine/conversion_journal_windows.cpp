// The converter's journal on Windows. The converter keeps the file open while it runs,
// sharing it for reading only: this program makes the file, empties it when it may (the
// converter also empties it as each conversion ends) and, once a converter was ended and
// its process is gone, reads it back and takes back what it lists. Each entry is walked
// down from the document's folder one name at a time, never through a link or junction
// (reparse point), and the last name is compared with the journal's volume serial number
// and file index right before it is removed.
#include "run/engine/conversion_journal.h"

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "converter/serve_protocol.h"

namespace {

namespace fs = std::filesystem;
namespace protocol = quorlin::serve_protocol;

const std::wstring kAttachmentsSuffix = L" attachments";

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

struct Entry {
  char kind;
  std::uint64_t device;
  std::uint64_t inode;
  std::vector<std::wstring> names;  // below the document's folder, at least one
};

// The names of `path` below `folder`, when it lies in the place a job writes to: directly
// in the folder, or anywhere below one of its " attachments" folders; none otherwise.
std::vector<std::wstring> NamesBelow(const fs::path& folder, const fs::path& path) {
  if (!path.is_absolute()) return {};
  auto part = path.begin();
  for (const fs::path& step : folder) {
    if (part == path.end() || *part != step) return {};
    ++part;
  }
  std::vector<std::wstring> names;
  for (; part != path.end(); ++part) {
    const std::wstring name = part->wstring();
    if (name.empty() || name == L"." || name == L"..") return {};
    names.push_back(name);
  }
  if (names.size() > 1) {
    const std::wstring& first = names.front();
    if (first.size() <= kAttachmentsSuffix.size() ||
        first.compare(first.size() - kAttachmentsSuffix.size(), kAttachmentsSuffix.size(), kAttachmentsSuffix) != 0)
      return {};
  }
  return names;
}

std::vector<Entry> ReadEntries(const std::string& bytes, const fs::path& folder) {
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
    read.names = NamesBelow(folder, PathOf(std::string(entry.substr(1 + 2 * kIdDigits))).lexically_normal());
    if (!read.names.empty()) entries.push_back(std::move(read));
  }
  return entries;
}

// What a path is now, its link not followed: attributes and identity.
bool Identify(const fs::path& path, DWORD& attributes, std::uint64_t& device, std::uint64_t& inode) {
  HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(file, &info);
  ::CloseHandle(file);
  if (!known) return false;
  attributes = info.dwFileAttributes;
  device = info.dwVolumeSerialNumber;
  inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

// Removes the entry's last name while it is still what the converter made.
void RemoveIfStillMade(const fs::path& folder, const Entry& entry) {
  fs::path at = folder;
  for (std::size_t i = 0; i + 1 < entry.names.size(); ++i) {
    at /= entry.names[i];
    const DWORD attributes = ::GetFileAttributesW(at.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return;
  }
  at /= entry.names.back();
  DWORD attributes = 0;
  std::uint64_t device = 0, inode = 0;
  if (!Identify(at, attributes, device, inode) || device != entry.device || inode != entry.inode) return;
  const bool folderEntry = entry.kind == protocol::kJournalFolder;
  if (folderEntry != ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)) return;
  if (folderEntry) {
    ::RemoveDirectoryW(at.c_str());
  } else {
    if (attributes & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(at.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    ::DeleteFileW(at.c_str());
  }
}

// Opens the journal for reading and emptying; fails while a converter holds it.
HANDLE OpenJournal(const std::string& path) {
  return ::CreateFileW(PathOf(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

void Empty(HANDLE journal) {
  LARGE_INTEGER start{};
  if (::SetFilePointerEx(journal, start, nullptr, FILE_BEGIN)) ::SetEndOfFile(journal);
}

}  // namespace

bool ConversionJournal::Open(const std::string& path, std::string& failure) {
  Close();
  HANDLE file = ::CreateFileW(PathOf(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    failure = "the journal could not be made (error " + std::to_string(::GetLastError()) + ")";
    return false;
  }
  ::CloseHandle(file);
  path_ = path;
  fd_ = 0;
  return true;
}

void ConversionJournal::Clear() {
  if (fd_ < 0) return;
  HANDLE journal = OpenJournal(path_);
  // A converter holds it: it empties it itself as each conversion ends.
  if (journal == INVALID_HANDLE_VALUE) return;
  Empty(journal);
  ::CloseHandle(journal);
}

void ConversionJournal::Undo(const std::string& document, bool documentFinished) {
  if (fd_ < 0) return;
  HANDLE journal = OpenJournal(path_);
  if (journal == INVALID_HANDLE_VALUE) return;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(journal, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  Empty(journal);
  ::CloseHandle(journal);
  // The converter writes the paths as it was given them, made absolute as this does.
  const fs::path folder = fs::absolute(PathOf(document)).lexically_normal().parent_path();
  const std::vector<Entry> entries = ReadEntries(bytes, folder);
  for (const Entry& entry : entries) {
    if (entry.kind == protocol::kJournalTemporary || (!documentFinished && entry.kind == protocol::kJournalFile))
      RemoveIfStillMade(folder, entry);
  }
  // A folder inside another was entered after it: the innermost go first.
  if (!documentFinished) {
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
      if (entry->kind == protocol::kJournalFolder) RemoveIfStillMade(folder, *entry);
  }
}

void ConversionJournal::Close() {
  if (fd_ >= 0) ::DeleteFileW(PathOf(path_).c_str());
  fd_ = -1;
  path_.clear();
}
