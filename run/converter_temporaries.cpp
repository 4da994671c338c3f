// Recognising and removing a converter's temporary files by their name pattern.
#include "run/converter_temporaries.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr std::size_t kKeptNameBytes = 100;

std::size_t NameStart(const std::string& document) {
  const std::size_t slash = document.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// "<hex digits>.tmp"
bool IsHexAndTmp(const std::string& text) {
  const std::string ending = ".tmp";
  if (text.size() <= ending.size() || text.compare(text.size() - ending.size(), ending.size(), ending) != 0)
    return false;
  return std::all_of(text.begin(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                     [](unsigned char c) { return std::isxdigit(c) != 0; });
}

}  // namespace

std::string ConverterTemporaryStem(const std::string& document) {
  const std::size_t start = NameStart(document);
  return document.substr(0, start) + "." + document.substr(start, kKeptNameBytes);
}

bool IsConverterTemporary(const std::string& document, const std::string& name) {
  const std::string full = document.substr(NameStart(document));
  const std::string kept = full.substr(0, kKeptNameBytes);
  if (name.size() < kept.size() + 2 || name[0] != '.' || name.compare(1, kept.size(), kept) != 0) return false;
  std::string rest = name.substr(1 + kept.size());
  // The whole name or its first 100 bytes, then ".", hex digits and ".tmp".
  const std::string cut = full.substr(kept.size());
  if (!cut.empty() && rest.compare(0, cut.size(), cut) == 0 && rest.size() > cut.size() && rest[cut.size()] == '.' &&
      IsHexAndTmp(rest.substr(cut.size() + 1)))
    return true;
  return rest[0] == '.' && IsHexAndTmp(rest.substr(1));
}

void RemoveConverterTemporaries(const std::string& document) {
  const std::size_t start = NameStart(document);
  const std::string folder = start == 0 ? "." : document.substr(0, start);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> found;
  while (const dirent* entry = ::readdir(dir)) {
    if (IsConverterTemporary(document, entry->d_name)) found.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  for (const std::string& name : found) ::unlink((document.substr(0, start) + name).c_str());
}
