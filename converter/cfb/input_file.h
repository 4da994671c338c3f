// The input message's bytes. Only a regular file whose signature and header are those of
// a compound file is taken in, checked on its first 512 bytes before anything more is
// read; the rest is then mapped read-only, not copied, so memory holds at most the pages
// the conversion touches. Should another program cut the file short while it is mapped,
// the process ends with one line on standard error instead of a bus error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace quorlin {

class InputFile {
 public:
  // Throws IoError with the reason when the file cannot be opened or read, and
  // FormatError when it is not a compound file.
  explicit InputFile(const std::filesystem::path& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  std::span<const std::uint8_t> bytes() const { return bytes_; }

  // Lets the system take back the mapped pages read so far; the bytes stay valid and a
  // page touched again is read again from the file. Called once a large body has been
  // copied out, so that it is not held twice (in memory and in the mapping's pages) while
  // the document is made. Does nothing when the file was read into memory.
  void ReleasePages() const;

 private:
  std::span<const std::uint8_t> bytes_;
  void* mapping_ = nullptr;           // the mapped file, when mapping was possible
  std::vector<std::uint8_t> copy_;  // otherwise the bytes read into memory
};

}  // namespace quorlin
