// Whole-file reads and all-or-nothing writes with standard C++ only: the temporary file is
// opened with exclusive creation ("x"), so it never takes over someone else's file.
#include "converter/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <system_error>

#include "converter/errors.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

std::string Quote(const fs::path& path) { return "\"" + path.string() + "\""; }

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string TemporaryName(const fs::path& target) {
  static std::mt19937_64 random{std::random_device{}()};
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  // Kept well below the usual 255-byte name limit whatever the output's own name.
  std::string base = target.filename().string().substr(0, 100);
  return "." + base + "." + suffix + ".tmp";
}

// Creates a new file that did not exist before; returns its path and open handle.
std::FILE* CreateExclusive(const fs::path& folder, const fs::path& target, fs::path& created) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    created = folder / TemporaryName(target);
    errno = 0;
    if (std::FILE* file = std::fopen(created.string().c_str(), "wbx")) return file;
    if (errno != EEXIST) break;
  }
  int error = errno;
  throw IoError("cannot create output file " + Quote(target) + ": " +
                (error ? std::strerror(error) : "no free temporary name"));
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
  // Only regular files: a device or a pipe could be endless.
  std::error_code error;
  if (fs::is_directory(path, error))
    throw IoError("cannot read input file " + Quote(path) + ": it is a folder");
  if (fs::exists(path, error) && !fs::is_regular_file(path, error))
    throw IoError("cannot read input file " + Quote(path) + ": it is not a regular file");
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    int reason = errno;
    throw IoError("cannot open input file " + Quote(path) + ": " +
                  (reason ? std::strerror(reason) : "open failed"));
  }
  std::vector<std::uint8_t> bytes;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    if (in.eof()) break;
  }
  if (in.bad()) throw IoError("cannot read input file " + Quote(path));
  return bytes;
}

bool IsSameFile(const fs::path& a, const fs::path& b) {
  std::error_code error;
  bool same = fs::equivalent(a, b, error);
  return !error && same;
}

void WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes) {
  if (!path.has_filename()) throw IoError("output path " + Quote(path) + " names no file");
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";

  fs::path temporary;
  std::unique_ptr<std::FILE, FileCloser> file(CreateExclusive(folder, path, temporary));
  bool written = (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size()) &&
                 std::fflush(file.get()) == 0;
  int reason = errno;
  written = std::fclose(file.release()) == 0 && written;
  std::error_code error;
  if (!written) {
    fs::remove(temporary, error);
    throw IoError("cannot write output file " + Quote(path) + ": " + std::strerror(reason));
  }
  fs::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw IoError("cannot write output file " + Quote(path) + ": " + error.message());
  }
}

}  // namespace quorlin
