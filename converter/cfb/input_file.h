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

 private:
  std::span<const std::uint8_t> bytes_;
  void* mapping_ = nullptr;           // the mapped file, when mapping was possible
  std::vector<std::uint8_t> copy_;  // otherwise the bytes read into memory
};

}  // namespace quorlin
