// A reader of the RTF the converter writes, just enough to see its text.
#include "support/rtf_visible_text.h"

#include <cctype>
#include <vector>

namespace quorlin::testing {

std::u16string RtfVisibleText(std::string_view rtf) {
  std::u16string text;
  std::vector<bool> hidden{false};  // per group: its text is not shown
  bool skip_fallback = false;
  for (std::size_t i = 0; i < rtf.size();) {
    const char c = rtf[i];
    if (c == '{') {
      const std::string_view next = rtf.substr(i + 1, 10);
      const bool hides = next.starts_with("\\*") || next.starts_with("\\fonttbl") ||
                         next.starts_with("\\colortbl") || next.starts_with("\\fldinst");
      hidden.push_back(hidden.back() || hides);
      ++i;
      continue;
    }
    if (c == '}') {
      if (hidden.size() > 1) hidden.pop_back();
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c != '\\') {
      if (!hidden.back() && !(skip_fallback && c == '?')) text += static_cast<char16_t>(c);
      skip_fallback = false;
      ++i;
      continue;
    }
    skip_fallback = false;
    const char d = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
    if (!std::isalpha(static_cast<unsigned char>(d))) {
      if (d == '\'' && i + 3 < rtf.size()) {
        if (!hidden.back())
          text += static_cast<char16_t>(std::stoi(std::string(rtf.substr(i + 2, 2)), nullptr, 16));
        i += 4;
      } else {
        if (!hidden.back() && (d == '\\' || d == '{' || d == '}')) text += static_cast<char16_t>(d);
        i += 2;
      }
      continue;
    }
    std::size_t j = i + 1;
    while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
    const std::string_view word = rtf.substr(i + 1, j - i - 1);
    std::size_t k = j;
    if (k < rtf.size() && rtf[k] == '-') ++k;
    while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
    const std::string_view number = rtf.substr(j, k - j);
    if (k < rtf.size() && rtf[k] == ' ') ++k;
    i = k;
    if (hidden.back()) continue;
    if (word == "par" || word == "line") {
      text += u'\n';
    } else if (word == "tab" || word == "cell") {
      text += u'\t';
    } else if (word == "row") {
      if (!text.empty() && text.back() == u'\t') text.pop_back();
      text += u'\n';
    } else if (word == "u" && !number.empty()) {
      text += static_cast<char16_t>(static_cast<std::uint16_t>(std::stoi(std::string(number))));
      skip_fallback = true;
    }
  }
  const std::size_t first = text.find_first_not_of(u'\n');
  if (first == std::u16string::npos) return {};
  text.resize(text.find_last_not_of(u"\n") + 1);
  return text.substr(first);
}

}  // namespace quorlin::testing
