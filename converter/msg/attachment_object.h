// The file packed inside an OLE attachment. An object that packages a file keeps it in
// its "\x01Ole10Native" stream: a 4-byte size, then the package: a 2-byte kind, the label
// and the original path as NUL-ended 8-bit strings, 2 reserved bytes, a 2-byte format (3 for
// a file carried inside), the length and text of the temporary path it was packed from,
// then the 4-byte size of the file and its bytes. (Newer packagers add UTF-16 copies of
// the names after the data; they are not needed.)
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quorlin {

struct PackagedFile {
  std::string label;       // as shown on the object, 8-bit text
  std::string path;        // where the file was packed from, 8-bit text
  std::span<const std::uint8_t> data;  // a view into the stream
};

// The file in an "\x01Ole10Native" stream, or nothing when the stream holds something
// else or any length in it runs past its end.
std::optional<PackagedFile> ReadPackagedFile(std::span<const std::uint8_t> stream);

}  // namespace quorlin
