// POSIX: fopen's exclusive mode, and rename, which replaces the output in one step.
#include "converter/files/file_steps.h"

namespace quorlin {

std::FILE* CreateNewFile(const std::filesystem::path& path) { return std::fopen(path.c_str(), "wbx"); }

int MakeDurable(std::FILE*) { return 0; }

void MoveOver(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error) {
  std::filesystem::rename(from, to, error);
}

}  // namespace quorlin
