// Opening the input on Windows: CreateFileW, ReadFile for the header, then a read-only view
// of the file (CreateFileMappingW, MapViewOfFile). While a view is open Windows refuses to
// cut the file short, so no read can fault. Where no view can be made (an empty file) the
// file is read into memory.
#include "converter/cfb/input_file.h"

#include <windows.h>

#include <string>
#include <system_error>

#include "converter/base/errors.h"
#include "converter/base/path_text.h"
#include "converter/cfb/compound_file.h"

namespace quorlin {
namespace {

std::string Quote(const std::filesystem::path& path) { return "\"" + Utf8Of(path) + "\""; }

[[noreturn]] void Fail(const char* what, const std::filesystem::path& path) {
  const DWORD error = ::GetLastError();
  throw UnreadableError(std::string(what) + " " + Quote(path) + ": " +
                        std::system_category().message(static_cast<int>(error)));
}

// Closes the handle when the constructor leaves, by return or by exception.
struct Handle {
  HANDLE handle;
  ~Handle() {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
};

// Reads up to `size` bytes from `offset`; returns how many came.
std::size_t ReadAt(HANDLE file, std::uint8_t* into, std::size_t size, std::uint64_t offset,
                   const std::filesystem::path& path) {
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED at{};
    const std::uint64_t from = offset + done;
    at.Offset = static_cast<DWORD>(from);
    at.OffsetHigh = static_cast<DWORD>(from >> 32);
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(file, into + done, chunk, &got, &at)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      Fail("cannot read input file", path);
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

}  // namespace

InputFile::InputFile(const std::filesystem::path& path) {
  // Backup semantics open a folder too, so that it can be named as one.
  Handle file{::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) Fail("cannot open input file", path);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.handle, &info)) Fail("cannot read input file", path);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    throw UnreadableError("cannot read input file " + Quote(path) + ": it is a folder");
  // Only files on a disk: a device or a pipe could be endless.
  if (::GetFileType(file.handle) != FILE_TYPE_DISK)
    throw UnreadableError("cannot read input file " + Quote(path) + ": it is not a regular file");

  std::uint8_t header[CompoundFile::kHeaderSize];
  const std::size_t got = ReadAt(file.handle, header, sizeof header, 0, path);
  CompoundFile::CheckHeader(std::span<const std::uint8_t>(header, got));

  const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  Handle mapping{::CreateFileMappingW(file.handle, nullptr, PAGE_READONLY, 0, 0, nullptr)};
  if (mapping.handle != nullptr) {
    if (void* view = ::MapViewOfFile(mapping.handle, FILE_MAP_READ, 0, 0, 0)) {
      mapping_ = view;
      bytes_ = std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(view), static_cast<std::size_t>(size));
      return;
    }
  }
  copy_.resize(static_cast<std::size_t>(size));
  copy_.resize(ReadAt(file.handle, copy_.data(), copy_.size(), 0, path));
  bytes_ = copy_;
}

void InputFile::ReleasePages() const {
  // Unlocking pages that were never locked takes them out of the working set: advice only,
  // as elsewhere.
  if (mapping_ != nullptr) ::VirtualUnlock(mapping_, bytes_.size());
}

InputFile::~InputFile() {
  if (mapping_ != nullptr) ::UnmapViewOfFile(mapping_);
}

}  // namespace quorlin
