// TempTree: a real folder tree made for one test, under the system's temporary folder.
#include "support/temp_tree.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The system's temporary folder as Qt finds it: $TMPDIR unless it is unset or empty (tests
// point it elsewhere and back), else /tmp.
std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

}  // namespace

TempTree::TempTree() {
  std::string pattern = TemporaryFolder() + "/lorvane-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no temporary folder: " << pattern;
  root_ = pattern;
}

TempTree::~TempTree() {
  // Folders a test made read-only are opened up first, so that everything can go.
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root_, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    if (it->is_directory(error) && !it->is_symlink(error))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
  fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(root_, error);
}

void TempTree::Folder(std::string_view relative) const {
  std::error_code error;
  fs::create_directories(Path(relative), error);
  EXPECT_FALSE(error) << relative << ": " << error.message();
}

void TempTree::File(std::string_view relative, std::string_view content) const {
  const fs::path path = Path(relative);
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream file(path, std::ios::binary);
  file.write(content.data(), static_cast<std::streamsize>(content.size()));
  EXPECT_TRUE(file.good()) << relative;
}

void TempTree::Link(std::string_view target, std::string_view relative) const {
  EXPECT_EQ(::symlink(std::string(target).c_str(), Path(relative).c_str()), 0) << relative;
}

void TempTree::Mode(std::string_view relative, mode_t mode) const {
  EXPECT_EQ(::chmod(Path(relative).c_str(), mode), 0) << relative;
}
