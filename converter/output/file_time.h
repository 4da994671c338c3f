// Dating a written document like the message it came from.
#pragma once

#include <cstdint>
#include <filesystem>

namespace quorlin {

// Sets the modification time of the file at `path` (not of a link's target) to
// `unix_seconds`, leaving its access time. A file system that cannot hold that time (it
// would store a clamped one, 1901 or 2446 on ext4) leaves the file's time as it was.
// Throws IoError saying why it cannot.
void SetModificationTime(const std::filesystem::path& path, std::int64_t unix_seconds);

}  // namespace quorlin
