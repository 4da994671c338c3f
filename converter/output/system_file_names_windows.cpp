// Windows refuses a few characters in names (":" would even name a stream of another
// file) and takes some words for devices whatever follows them.
#include "converter/output/system_file_names.h"

#include <array>
#include <string_view>

namespace quorlin {
namespace {

bool IsDeviceWord(std::string_view word) {
  static constexpr std::array<std::string_view, 4> kPlain = {"con", "prn", "aux", "nul"};
  std::string lower(word);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (std::string_view device : kPlain)
    if (lower == device) return true;
  return lower.size() == 4 && (lower.starts_with("com") || lower.starts_with("lpt")) && lower[3] >= '1' &&
         lower[3] <= '9';
}

}  // namespace

std::string SystemSafeName(std::string name) {
  for (char& c : name)
    if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos) c = '_';
  // The word before the first dot, without the spaces Windows drops after it.
  std::size_t end = std::min(name.find('.'), name.size());
  while (end > 0 && name[end - 1] == ' ') --end;
  if (!IsDeviceWord(std::string_view(name).substr(0, end))) return name;
  std::string safe(name, 0, end);
  safe += '_';
  safe.append(name, end, std::string::npos);
  return safe;
}

}  // namespace quorlin
