// TempTree on Windows: the same tree under the system's temporary folder, made through
// std::filesystem with names taken as UTF-8 (Root() and Path() are UTF-8 text).
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path FromUtf8(std::string_view text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

TempTree::TempTree() {
  std::error_code error;
  const fs::path folder = fs::temp_directory_path(error);
  std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
    const fs::path candidate = folder / ("lorvane-test-" + std::to_string(random() % 1000000000));
    if (fs::create_directory(candidate, error)) root_ = Utf8(candidate);
  }
  if (root_.empty()) ADD_FAILURE() << "no temporary folder in " << Utf8(folder);
}

TempTree::~TempTree() {
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(FromUtf8(root_), error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(FromUtf8(root_), error);
}

void TempTree::Folder(std::string_view relative) const {
  std::error_code error;
  fs::create_directories(FromUtf8(Path(relative)), error);
  EXPECT_FALSE(error) << relative << ": " << error.message();
}

void TempTree::File(std::string_view relative, std::string_view content) const {
  const fs::path path = FromUtf8(Path(relative));
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream file(path, std::ios::binary);
  file.write(content.data(), static_cast<std::streamsize>(content.size()));
  EXPECT_TRUE(file.good()) << relative;
}

void TempTree::Link(std::string_view target, std::string_view relative) const {
  std::error_code error;
  fs::create_symlink(FromUtf8(target), FromUtf8(Path(relative)), error);
  EXPECT_FALSE(error) << relative << ": " << error.message();
}

void TempTree::Mode(std::string_view relative, mode_t mode) const {
  std::error_code error;
  fs::permissions(FromUtf8(Path(relative)), static_cast<fs::perms>(mode), error);
  EXPECT_FALSE(error) << relative << ": " << error.message();
}
