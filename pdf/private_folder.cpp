// mkdtemp and the recursive removal of a private folder.
#include "pdf/private_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace lorvane_pdf {

namespace fs = std::filesystem;

std::string TemporaryRoot() {
  const char* chosen = std::getenv("TMPDIR");
  return chosen && *chosen ? std::string(chosen) : std::string("/tmp");
}

void PrivateFolder::Make(const std::string& parent, const std::string& prefix) {
  Remove();
  std::string pattern = (parent.empty() ? TemporaryRoot() : parent) + "/" + prefix + "XXXXXX";
  std::vector<char> text(pattern.begin(), pattern.end());
  text.push_back('\0');
  if (!::mkdtemp(text.data()))
    throw std::runtime_error("cannot make a temporary folder in " + (parent.empty() ? TemporaryRoot() : parent) +
                             ": " + std::strerror(errno));
  path_ = text.data();
}

void PrivateFolder::Empty() const {
  if (path_.empty()) return;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(path_, error)) {
    std::error_code ignored;
    // Folders LibreOffice made without write permission for their owner still go.
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow,
                    ignored);
    fs::remove_all(entry.path(), ignored);
  }
}

void PrivateFolder::Remove() {
  if (path_.empty()) return;
  Empty();
  std::error_code ignored;
  fs::remove_all(path_, ignored);
  path_.clear();
}

}  // namespace lorvane_pdf
