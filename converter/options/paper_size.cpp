// Finding the user's paper. A locale name is language[_TERRITORY][.codeset][@modifier];
// only its territory matters here.
#include "converter/options/paper_size.h"

namespace quorlin {
namespace {

constexpr int kSmallestTwips = 1440;
constexpr int kLargestTwips = 22 * 1440;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                           text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::optional<int> Number(std::string_view text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::optional<PaperSize> PaperSizeNamed(std::string_view name) {
  name = Trimmed(name);
  std::string lower;
  for (char c : name) lower += Lower(c);
  if (lower == "a4") return kA4Paper;
  if (lower == "letter") return kLetterPaper;
  if (lower == "legal") return PaperSize{12240, 20160};
  if (lower == "a3") return PaperSize{16838, 23811};
  if (lower == "a5") return PaperSize{8391, 11906};
  return std::nullopt;
}

std::optional<PaperSize> PaperSizeOfLocale(std::string_view locale) {
  const std::size_t underscore = locale.find('_');
  if (underscore == std::string_view::npos) return std::nullopt;
  std::string_view territory = locale.substr(underscore + 1);
  territory = territory.substr(0, territory.find_first_of(".@"));
  if (territory.size() != 2) return std::nullopt;
  const std::string upper{static_cast<char>(territory[0] & ~0x20), static_cast<char>(territory[1] & ~0x20)};
  if (upper[0] < 'A' || upper[0] > 'Z' || upper[1] < 'A' || upper[1] > 'Z') return std::nullopt;
  return upper == "US" || upper == "CA" ? kLetterPaper : kA4Paper;
}

PaperSize FindPaperSize(const std::function<std::optional<std::string>(const char*)>& variable,
                        const std::optional<std::string>& paper_file) {
  // The locale category in force is the first of these that is set and not empty.
  for (const char* name : {"LC_ALL", "LC_PAPER", "LANG"}) {
    const std::optional<std::string> value = variable(name);
    if (!value || value->empty()) continue;
    if (std::optional<PaperSize> paper = PaperSizeOfLocale(*value)) return *paper;
    break;  // "C" or "POSIX": the system's file decides
  }
  if (paper_file)
    if (std::optional<PaperSize> paper = PaperSizeNamed(*paper_file)) return *paper;
  return kA4Paper;
}

std::string PaperSizeText(const PaperSize& paper) {
  return std::to_string(paper.width_twips) + " " + std::to_string(paper.height_twips);
}

std::optional<PaperSize> ParsePaperSizeText(std::string_view text) {
  const std::size_t space = text.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  const std::optional<int> width = Number(text.substr(0, space)), height = Number(text.substr(space + 1));
  if (!width || !height) return std::nullopt;
  for (int side : {*width, *height})
    if (side < kSmallestTwips || side > kLargestTwips) return std::nullopt;
  return PaperSize{*width, *height};
}

}  // namespace quorlin
