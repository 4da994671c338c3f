// The value syntax of the few CSS properties and HTML attributes the HTML conversion reads.
// Values it does not understand give nothing, and the text keeps the look it had.
#include "converter/html/html_to_rtf_style.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace quorlin {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A leading decimal number ("12", "1.5", "-2"); `rest` gets what follows it.
std::optional<double> LeadingNumber(std::string_view s, std::string_view& rest) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const std::size_t digits_from = i;
  double whole = 0, scale = 1;
  bool fraction = false, any = false;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') {
      any = true;
      if (fraction) {
        scale /= 10;
        whole += (s[i] - '0') * scale;
      } else if (whole < 1e9) {
        whole = whole * 10 + (s[i] - '0');
      }
    } else if (s[i] == '.' && !fraction) {
      fraction = true;
    } else {
      break;
    }
  }
  if (!any) return std::nullopt;
  rest = Trim(s.substr(i));
  return digits_from > 0 && s[0] == '-' ? -whole : whole;
}

struct NamedColor {
  std::string_view name;
  std::uint32_t rgb;
};
constexpr NamedColor kNamedColors[] = {
    {"aqua", 0x00FFFF},     {"black", 0x000000},    {"blue", 0x0000FF},
    {"brown", 0xA52A2A},    {"cyan", 0x00FFFF},     {"darkblue", 0x00008B},
    {"darkgray", 0xA9A9A9}, {"darkgreen", 0x006400}, {"darkgrey", 0xA9A9A9},
    {"darkred", 0x8B0000},  {"fuchsia", 0xFF00FF},  {"gold", 0xFFD700},
    {"gray", 0x808080},     {"green", 0x008000},    {"grey", 0x808080},
    {"lightgray", 0xD3D3D3}, {"lightgrey", 0xD3D3D3}, {"lime", 0x00FF00},
    {"magenta", 0xFF00FF},  {"maroon", 0x800000},   {"navy", 0x000080},
    {"olive", 0x808000},    {"orange", 0xFFA500},   {"pink", 0xFFC0CB},
    {"purple", 0x800080},   {"red", 0xFF0000},      {"silver", 0xC0C0C0},
    {"teal", 0x008080},     {"violet", 0xEE82EE},   {"white", 0xFFFFFF},
    {"yellow", 0xFFFF00},
};

int ClampHalfPoints(double half_points) {
  return static_cast<int>(std::lround(std::clamp(half_points, 2.0, 400.0)));
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool ContainsIgnoringCase(std::string_view text, std::string_view word) {
  if (word.size() > text.size()) return false;
  for (std::size_t i = 0; i + word.size() <= text.size(); ++i)
    if (EqualsIgnoringCase(text.substr(i, word.size()), word)) return true;
  return false;
}

std::optional<std::uint32_t> ParseHtmlColor(std::string_view value) {
  value = Trim(value);
  if (!value.empty() && value[0] == '#') {
    value.remove_prefix(1);
    if (value.size() != 3 && value.size() != 6) return std::nullopt;
    std::uint32_t rgb = 0;
    for (char c : value) {
      const int digit = HexDigit(c);
      if (digit < 0) return std::nullopt;
      rgb = value.size() == 3 ? (rgb << 8) | static_cast<std::uint32_t>(digit * 17)
                              : (rgb << 4) | static_cast<std::uint32_t>(digit);
    }
    return rgb;
  }
  if (value.size() > 4 && EqualsIgnoringCase(value.substr(0, 4), "rgb(")) {
    std::string_view rest = value.substr(4);
    std::uint32_t rgb = 0;
    for (int part = 0; part < 3; ++part) {
      std::optional<double> number = LeadingNumber(rest, rest);
      if (!number) return std::nullopt;
      double level = *number;
      if (!rest.empty() && rest[0] == '%') {
        level = level * 255 / 100;
        rest = Trim(rest.substr(1));
      }
      rgb = (rgb << 8) | static_cast<std::uint32_t>(std::lround(std::clamp(level, 0.0, 255.0)));
      if (part < 2) {
        if (rest.empty() || (rest[0] != ',' && rest[0] != ' ')) return std::nullopt;
        rest = Trim(rest.substr(1));
      }
    }
    return rgb;
  }
  for (const NamedColor& named : kNamedColors)
    if (EqualsIgnoringCase(value, named.name)) return named.rgb;
  return std::nullopt;
}

std::optional<int> ParseCssFontSize(std::string_view value, int parent_half_points) {
  value = Trim(value);
  static constexpr std::pair<std::string_view, int> kKeywords[] = {
      {"xx-small", 14}, {"x-small", 16}, {"small", 20},   {"medium", 24},
      {"large", 28},    {"x-large", 36}, {"xx-large", 48}};
  for (const auto& [name, half_points] : kKeywords)
    if (EqualsIgnoringCase(value, name)) return half_points;
  if (EqualsIgnoringCase(value, "larger")) return ClampHalfPoints(parent_half_points * 1.2);
  if (EqualsIgnoringCase(value, "smaller")) return ClampHalfPoints(parent_half_points / 1.2);
  std::string_view unit;
  std::optional<double> number = LeadingNumber(value, unit);
  if (!number || *number <= 0) return std::nullopt;
  if (EqualsIgnoringCase(unit, "pt")) return ClampHalfPoints(*number * 2);
  if (EqualsIgnoringCase(unit, "px") || unit.empty()) return ClampHalfPoints(*number * 1.5);
  if (EqualsIgnoringCase(unit, "em") || EqualsIgnoringCase(unit, "rem"))
    return ClampHalfPoints(*number * parent_half_points);
  if (unit == "%") return ClampHalfPoints(*number * parent_half_points / 100);
  return std::nullopt;
}

std::optional<int> ParseFontSizeAttribute(std::string_view value) {
  value = Trim(value);
  static constexpr int kSizes[] = {16, 20, 24, 28, 36, 48, 72};
  std::string_view rest;
  std::optional<double> number = LeadingNumber(value, rest);
  if (!number) return std::nullopt;
  // Kept within 1 to 7 before it becomes an integer, so a huge "+2147483647" is size 7,
  // as a browser shows it, and never wraps round.
  double size = *number;
  if (value[0] == '+' || value[0] == '-') size += 3;
  return kSizes[static_cast<int>(std::clamp(size, 1.0, 7.0)) - 1];
}

std::optional<HtmlLength> ParseHtmlLength(std::string_view value) {
  std::string_view unit;
  std::optional<double> number = LeadingNumber(Trim(value), unit);
  if (!number || *number < 0) return std::nullopt;
  if (unit == "%") return HtmlLength{std::min(*number, 100.0), true};
  if (unit.empty() || EqualsIgnoringCase(unit, "px")) return HtmlLength{*number, false};
  if (EqualsIgnoringCase(unit, "pt")) return HtmlLength{*number * 4 / 3, false};
  if (EqualsIgnoringCase(unit, "in")) return HtmlLength{*number * 96, false};
  if (EqualsIgnoringCase(unit, "cm")) return HtmlLength{*number * 96 / 2.54, false};
  return std::nullopt;
}

std::optional<int> ParseHtmlInteger(std::string_view value, int low, int high) {
  std::string_view rest;
  std::optional<double> number = LeadingNumber(Trim(value), rest);
  if (!number) return std::nullopt;
  return static_cast<int>(std::clamp(*number, static_cast<double>(low), static_cast<double>(high)));
}

void ForEachCssDeclaration(std::string_view style,
                           const std::function<void(std::string_view, std::string_view)>& each) {
  std::string name;
  while (!style.empty()) {
    const std::size_t end = std::min(style.find(';'), style.size());
    const std::string_view declaration = style.substr(0, end);
    style.remove_prefix(std::min(end + 1, style.size()));
    const std::size_t colon = declaration.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view raw_name = Trim(declaration.substr(0, colon));
    name.assign(raw_name.begin(), raw_name.end());
    for (char& c : name) c = Lower(c);
    std::string_view value = Trim(declaration.substr(colon + 1));
    const std::size_t bang = value.find('!');
    if (bang != std::string_view::npos) value = Trim(value.substr(0, bang));
    each(name, value);
  }
}

}  // namespace quorlin
