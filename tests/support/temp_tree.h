// A real folder tree in a new temporary folder for one test, removed with everything in it
// when the test ends: folders, files, links and permission bits made in one line each.
// Standard C++ only, so the converter's tests use it as the program's tests do; Root() and
// Path() give text that both std::filesystem and QString::fromStdString take.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The tree's folder, without a trailing separator.
  const std::string& Root() const { return root_; }
  // A path inside the tree ("A/x/a.msg").
  std::string Path(std::string_view relative) const { return root_ + '/' + std::string(relative); }

  // Each makes missing parent folders and fails the running test when the disk refuses.
  void Folder(std::string_view relative) const;
  void File(std::string_view relative, std::string_view content = {}) const;
  void Link(std::string_view target, std::string_view relative) const;
  void Mode(std::string_view relative, mode_t mode) const;

 private:
  std::string root_;
};
