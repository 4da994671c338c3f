// The output journal on Windows: the same file and entries as elsewhere (paths in UTF-8),
// written and read back through CreateFileW, WriteFile and ReadFile. The console's stop
// handler runs on a thread of its own, so removing what the journal lists may take the
// ordinary calls a thread may; names are compared by volume and file index.
#include "converter/base/output_journal.h"

#include <windows.h>

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

std::wstring journal_path;
std::wstring last_temporary;
HANDLE journal_file = INVALID_HANDLE_VALUE;
// 0: no journal; 1: begun, nothing written yet; 2: the file exists.
volatile std::sig_atomic_t journal_state = 0;

std::wstring Wide(const char* utf8) {
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (size <= 0) return {};
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), size);
  text.resize(text.size() - 1);
  return text;
}

// Calls `each(kind, path)` for every whole entry of the journal.
template <typename Each>
bool ForEachEntry(Each each) {
  HANDLE file = ::CreateFileW(journal_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string all;
  char buffer[1 << 14];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) all.append(buffer, got);
  ::CloseHandle(file);
  std::size_t start = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] != '\0') continue;
    if (i > start + 1) each(all[start], Wide(all.c_str() + start + 1));
    start = i + 1;
  }
  return true;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION first{}, second{};
  auto read = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = ::GetFileInformationByHandle(file, &info);
    ::CloseHandle(file);
    return ok;
  };
  return read(a, first) && read(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

[[noreturn]] void FailJournal() {
  const auto name = fs::path(journal_path).u8string();
  throw IoError("cannot write the conversion's journal \"" + std::string(name.begin(), name.end()) + "\"");
}

void Write(char kind, const fs::path& path) {
  if (journal_state == 0) return;
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  const auto utf8 = absolute.u8string();
  std::string entry(1, kind);
  entry.append(utf8.begin(), utf8.end());
  if (entry.size() >= kMostPath) {
    const auto name = path.u8string();
    throw IoError("cannot save \"" + std::string(name.begin(), name.end()) + "\": its path is too long");
  }
  entry += '\0';
  if (journal_state == 1) {
    journal_file = ::CreateFileW(journal_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (journal_file == INVALID_HANDLE_VALUE) FailJournal();
    journal_state = 2;
  }
  DWORD written = 0;
  if (!::WriteFile(journal_file, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr) ||
      written != entry.size())
    FailJournal();
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
  const std::wstring name = absolute.filename().wstring().substr(0, kKeptNameBytes);
  const fs::path path = absolute.parent_path() / (L"." + name + L"." + fs::path(suffix).wstring() + L".journal");
  if (path.wstring().size() >= kMostPath) return;
  journal_path = path.wstring();
  journal_state = 1;
}

void EndOutputJournal() noexcept {
  const bool written = journal_state == 2;
  journal_state = 0;
  if (journal_file != INVALID_HANDLE_VALUE) ::CloseHandle(journal_file);
  journal_file = INVALID_HANDLE_VALUE;
  if (written) ::DeleteFileW(journal_path.c_str());
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
  try {
    last_temporary.clear();
    ForEachEntry([](char kind, const std::wstring& path) {
      if (kind == 't') last_temporary = path;
      if (kind == 'f' || (kind == 'p' && !last_temporary.empty() && SameFile(path, last_temporary)))
        ::DeleteFileW(path.c_str());
    });
    ForEachEntry([](char kind, const std::wstring& path) {
      if (kind == 't') ::DeleteFileW(path.c_str());
    });
    for (int pass = 0; pass < 64; ++pass) {
      bool removed = false;
      ForEachEntry([&removed](char kind, const std::wstring& path) {
        if (kind == 'd' && ::RemoveDirectoryW(path.c_str())) removed = true;
      });
      if (!removed) break;
    }
  } catch (...) {
    // Out of memory while reading the journal back: what is left stays for the main program.
  }
  EndOutputJournal();
}

}  // namespace quorlin
