// Dating a written document like the message it came from.
#pragma once

#include <cstdint>
#include <filesystem>

namespace quorlin {

// Sets the modification time of the file at `path` (not of a link's target) to
// `unix_seconds`, leaving its access time. Throws IoError saying why it cannot.
void SetModificationTime(const std::filesystem::path& path, std::int64_t unix_seconds);

}  // namespace quorlin
