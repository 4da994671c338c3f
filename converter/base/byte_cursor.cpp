// Bounds-checked little-endian reads; a short read throws FormatError naming its target.
#include "converter/base/byte_cursor.h"

#include <string>

#include "converter/base/errors.h"

namespace quorlin {
namespace {

[[noreturn]] void ThrowShort(std::string_view what, std::size_t offset, std::size_t count,
                             std::size_t size) {
  throw FormatError("truncated data: " + std::string(what) + " needs " +
                    std::to_string(count) + " bytes at offset " + std::to_string(offset) +
                    " but only " + std::to_string(offset <= size ? size - offset : 0) +
                    " remain");
}

std::uint64_t LittleEndian(const std::uint8_t* p, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = (value << 8) | p[i];
  return value;
}

}  // namespace

std::span<const std::uint8_t> ByteCursor::BytesAt(std::span<const std::uint8_t> bytes,
                                                  std::size_t offset, std::size_t count,
                                                  std::string_view what) {
  if (offset > bytes.size() || count > bytes.size() - offset)
    ThrowShort(what, offset, count, bytes.size());
  return bytes.subspan(offset, count);
}

std::uint16_t ByteCursor::U16At(std::span<const std::uint8_t> bytes, std::size_t offset,
                                std::string_view what) {
  return static_cast<std::uint16_t>(LittleEndian(BytesAt(bytes, offset, 2, what).data(), 2));
}

std::uint32_t ByteCursor::U32At(std::span<const std::uint8_t> bytes, std::size_t offset,
                                std::string_view what) {
  return static_cast<std::uint32_t>(LittleEndian(BytesAt(bytes, offset, 4, what).data(), 4));
}

void ByteCursor::Seek(std::size_t position, std::string_view what) {
  if (position > bytes_.size()) ThrowShort(what, position, 0, bytes_.size());
  position_ = position;
}

void ByteCursor::Skip(std::size_t count, std::string_view what) {
  ReadBytes(count, what);
}

std::span<const std::uint8_t> ByteCursor::ReadBytes(std::size_t count, std::string_view what) {
  std::span<const std::uint8_t> result = BytesAt(bytes_, position_, count, what);
  position_ += count;
  return result;
}

std::uint8_t ByteCursor::ReadU8(std::string_view what) { return ReadBytes(1, what)[0]; }

std::uint16_t ByteCursor::ReadU16(std::string_view what) {
  return static_cast<std::uint16_t>(LittleEndian(ReadBytes(2, what).data(), 2));
}

std::uint32_t ByteCursor::ReadU32(std::string_view what) {
  return static_cast<std::uint32_t>(LittleEndian(ReadBytes(4, what).data(), 4));
}

std::uint64_t ByteCursor::ReadU64(std::string_view what) {
  return LittleEndian(ReadBytes(8, what).data(), 8);
}

}  // namespace quorlin
