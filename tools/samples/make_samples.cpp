// Writes the sample messages that ship in the "Samples" folder beside the program (their
// content is in msgwriter/samples.cpp).
// Usage: make_samples <folder>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "msgwriter/samples.h"

namespace {

// Writes through a temporary name so a broken run never leaves half a sample behind.
bool WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::path temporary = path;
  temporary += ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  return !error;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: make_samples <folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "make_samples: cannot make %s\n", folder.c_str());
    return 1;
  }
  for (const msgwriter::SampleMessage& sample : msgwriter::SampleMessages()) {
    if (!WriteFile(folder / sample.file_name, sample.bytes)) {
      std::fprintf(stderr, "make_samples: cannot write %s\n", (folder / sample.file_name).c_str());
      return 1;
    }
  }
  return 0;
}
