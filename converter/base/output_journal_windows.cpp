// The output journal on Windows: the same entries as elsewhere (serve_protocol.h; paths in
// UTF-8, a file's identity its volume serial number and file index), written and read back
// through WriteFile and ReadFile. Without a file named by the main program the journal is a
// file of the temporary folder deleted when it is closed. The console's stop handler runs
// on a thread of its own, so removing what the journal lists may take the ordinary calls a
// thread may.
#include "converter/base/output_journal.h"

#include <io.h>
#include <windows.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "converter/base/errors.h"
#include "converter/base/path_text.h"
#include "converter/serve_protocol.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;
namespace protocol = serve_protocol;

constexpr std::size_t kMostPath = 4096;
constexpr std::size_t kIdDigits = protocol::kJournalIdDigits;

HANDLE journal_file = INVALID_HANDLE_VALUE;
// 0: no conversion; 1: begun, nothing written yet; 2: entries written.
volatile std::sig_atomic_t journal_state = 0;

std::wstring Wide(const std::string& utf8) { return PathFromUtf8(utf8).wstring(); }

[[noreturn]] void FailJournal() { throw IoError("cannot keep the conversion's journal"); }

bool IdentityOf(HANDLE file, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return false;
  identity.device = info.dwVolumeSerialNumber;
  identity.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

// True while `path` (no link followed) is still the file or folder `made`.
bool StillIs(const std::wstring& path, const FileIdentity& made) {
  HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FileIdentity now;
  const bool same = IdentityOf(file, now) && now.device == made.device && now.inode == made.inode;
  ::CloseHandle(file);
  return same;
}

// Calls `each(kind, identity, path)` for every whole entry of the journal.
template <typename Each>
void ForEachEntry(Each each) {
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(journal_file, start, nullptr, FILE_BEGIN)) return;
  std::string all;
  char buffer[1 << 14];
  DWORD got = 0;
  while (::ReadFile(journal_file, buffer, sizeof buffer, &got, nullptr) && got > 0) all.append(buffer, got);
  std::size_t begin = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] != '\0') continue;
    FileIdentity identity;
    if (i > begin + 1 + 2 * kIdDigits && protocol::JournalIdFrom(all.data() + begin + 1, identity.device) &&
        protocol::JournalIdFrom(all.data() + begin + 1 + kIdDigits, identity.inode))
      each(all[begin], identity, Wide(all.substr(begin + 1 + 2 * kIdDigits, i - begin - 1 - 2 * kIdDigits)));
    begin = i + 1;
  }
}

void AppendId(std::string& text, std::uint64_t value) {
  const auto digits = protocol::JournalIdText(value);
  text.append(digits.data(), digits.size());
}

void Write(char kind, const fs::path& path, const FileIdentity& made) {
  if (journal_state == 0) return;
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  const std::string utf8 = Utf8Of(absolute);
  if (utf8.size() >= kMostPath) throw IoError("cannot save \"" + Utf8Of(path) + "\": its path is too long");
  std::string entry(1, kind);
  AppendId(entry, made.device);
  AppendId(entry, made.inode);
  entry += utf8;
  entry += '\0';
  journal_state = 2;
  LARGE_INTEGER end{};
  DWORD written = 0;
  if (!::SetFilePointerEx(journal_file, end, nullptr, FILE_END) ||
      !::WriteFile(journal_file, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr) ||
      written != entry.size())
    FailJournal();
}

void Empty() {
  LARGE_INTEGER start{};
  if (::SetFilePointerEx(journal_file, start, nullptr, FILE_BEGIN)) ::SetEndOfFile(journal_file);
}

}  // namespace

FileIdentity IdentityOfOpenFile(int fd) {
  FileIdentity identity;
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE || !IdentityOf(handle, identity)) FailJournal();
  return identity;
}

void KeepOutputJournalAt(const fs::path& path) {
  HANDLE file = ::CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) FailJournal();
  journal_state = 0;
  if (journal_file != INVALID_HANDLE_VALUE) ::CloseHandle(journal_file);
  journal_file = file;
  Empty();
}

void BeginOutputJournal() {
  EndOutputJournal();
  if (journal_file == INVALID_HANDLE_VALUE) {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (::GetTempPathW(MAX_PATH + 1, folder) == 0 || ::GetTempFileNameW(folder, L"qj", 0, name) == 0) FailJournal();
    journal_file = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (journal_file == INVALID_HANDLE_VALUE) {
      ::DeleteFileW(name);
      FailJournal();
    }
  }
  journal_state = 1;
}

void EndOutputJournal() noexcept {
  const bool written = journal_state == 2;
  journal_state = 0;
  if (written) Empty();
}

void JournalFolder(const fs::path& folder) {
  if (journal_state == 0) return;
  HANDLE file = ::CreateFileW(folder.wstring().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) FailJournal();
  FileIdentity made;
  const bool known = IdentityOf(file, made);
  ::CloseHandle(file);
  if (!known) FailJournal();
  Write(protocol::kJournalFolder, folder, made);
}

void JournalFile(const fs::path& file, const FileIdentity& made) { Write(protocol::kJournalFile, file, made); }

void JournalTemporary(const fs::path& name, const FileIdentity& made) {
  Write(protocol::kJournalTemporary, name, made);
}

// The console's stop handler runs on a thread of its own: nothing to hold off.
JournalStep::JournalStep() : previous_{} {}
JournalStep::~JournalStep() = default;

void RemoveJournaledOutput() noexcept {
  if (journal_state != 2) {
    journal_state = 0;
    return;
  }
  try {
    ForEachEntry([](char kind, const FileIdentity& made, const std::wstring& path) {
      if ((kind == protocol::kJournalFile || kind == protocol::kJournalTemporary) && StillIs(path, made))
        ::DeleteFileW(path.c_str());
    });
    for (int pass = 0; pass < 64; ++pass) {
      bool removed = false;
      ForEachEntry([&removed](char kind, const FileIdentity& made, const std::wstring& path) {
        if (kind == protocol::kJournalFolder && StillIs(path, made) && ::RemoveDirectoryW(path.c_str())) removed = true;
      });
      if (!removed) break;
    }
  } catch (...) {
    // Out of memory while reading the journal back: what is left stays.
  }
  EndOutputJournal();
}

}  // namespace quorlin
