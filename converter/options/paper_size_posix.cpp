// The user's paper on Linux and other POSIX systems: the locale variables, else the
// system's paper file.
#include "converter/options/paper_size.h"

#include <cstdlib>
#include <fstream>

namespace quorlin {

PaperSize UsersPaperSize() {
  std::optional<std::string> file;
  if (std::ifstream in("/etc/papersize"); in) {
    std::string line;
    // The file may hold comments; the first other line names the paper.
    while (std::getline(in, line) && file.value_or("").empty()) {
      if (line.size() > 64) break;
      const std::size_t start = line.find_first_not_of(" \t\r");
      if (start != std::string::npos && line[start] != '#') file = line.substr(start);
    }
  }
  return FindPaperSize(
      [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
      },
      file);
}

}  // namespace quorlin
