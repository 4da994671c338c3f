// Reading the packaged file with the bounds-checked cursor: every size is checked against
// what is left before anything is read, so a damaged stream gives nothing, never a read
// past its end.
#include "converter/msg/attachment_object.h"

#include <algorithm>

#include "converter/base/byte_cursor.h"
#include "converter/base/errors.h"

namespace quorlin {
namespace {

constexpr std::uint16_t kEmbeddedFile = 3;

std::string ReadNulEnded(ByteCursor& cursor, std::string_view what) {
  std::string text;
  for (std::uint8_t c; (c = cursor.ReadU8(what)) != 0;) text += static_cast<char>(c);
  return text;
}

}  // namespace

std::optional<PackagedFile> ReadPackagedFile(std::span<const std::uint8_t> stream) {
  try {
    ByteCursor outer(stream);
    const std::uint32_t size = outer.ReadU32("packaged object size");
    ByteCursor cursor(outer.ReadBytes(size, "packaged object"));
    PackagedFile file;
    cursor.ReadU16("package kind");
    file.label = ReadNulEnded(cursor, "package label");
    file.path = ReadNulEnded(cursor, "package path");
    cursor.ReadU16("package reserved field");
    if (cursor.ReadU16("package format") != kEmbeddedFile) return std::nullopt;
    cursor.Skip(cursor.ReadU32("package temporary path length"), "package temporary path");
    file.data = cursor.ReadBytes(cursor.ReadU32("packaged file size"), "packaged file");
    return file;
  } catch (const FormatError&) {
    return std::nullopt;
  }
}

}  // namespace quorlin
