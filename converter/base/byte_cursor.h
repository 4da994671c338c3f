// A bounds-checked little-endian reader over a span of bytes. Every read checks the
// remaining length first and throws FormatError naming what was being read, so the rest
// of the converter never indexes raw memory unchecked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quorlin {

class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t position() const { return position_; }
  std::size_t size() const { return bytes_.size(); }
  std::size_t remaining() const { return bytes_.size() - position_; }

  // Moves to an absolute position; throws when it lies past the end.
  void Seek(std::size_t position, std::string_view what);
  void Skip(std::size_t count, std::string_view what);

  std::uint8_t ReadU8(std::string_view what);
  std::uint16_t ReadU16(std::string_view what);
  std::uint32_t ReadU32(std::string_view what);
  std::uint64_t ReadU64(std::string_view what);

  // The next count bytes as a view into the same memory.
  std::span<const std::uint8_t> ReadBytes(std::size_t count, std::string_view what);

  // Reads at an absolute offset without moving the cursor.
  static std::uint16_t U16At(std::span<const std::uint8_t> bytes, std::size_t offset,
                             std::string_view what);
  static std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t offset,
                             std::string_view what);
  static std::span<const std::uint8_t> BytesAt(std::span<const std::uint8_t> bytes,
                                               std::size_t offset, std::size_t count,
                                               std::string_view what);

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

}  // namespace quorlin
