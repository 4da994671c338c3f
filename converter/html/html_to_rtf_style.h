// Reading the values of HTML attributes and inline CSS that change how a body looks:
// colours, font sizes, lengths and the declarations of a style attribute.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace quorlin {

// A width: CSS pixels, or a percentage of what holds it.
struct HtmlLength {
  double value;
  bool percent;
};

// "#rgb", "#rrggbb", "rgb(r, g, b)" (numbers or percentages) or a colour name, as 0xRRGGBB.
std::optional<std::uint32_t> ParseHtmlColor(std::string_view value);

// A CSS font-size ("12pt", "16px", "1.2em", "120%", "small", "larger") in half-points,
// relative sizes against `parent_half_points`. Kept between 1 and 200 points.
std::optional<int> ParseCssFontSize(std::string_view value, int parent_half_points);

// The size attribute of <font>: 1 to 7, or relative to 3 ("+1", "-2"), in half-points.
std::optional<int> ParseFontSizeAttribute(std::string_view value);

// "120", "120px", "90pt", "50%": a length in CSS pixels or a percentage.
std::optional<HtmlLength> ParseHtmlLength(std::string_view value);

// A whole number attribute ("3", " 2 "), kept within [low, high]; nothing when it is not one.
std::optional<int> ParseHtmlInteger(std::string_view value, int low, int high);

// Calls `each(name, value)` for every "name: value" declaration of a style attribute, the
// name in lower case, both trimmed, "!important" left off the value.
void ForEachCssDeclaration(std::string_view style,
                           const std::function<void(std::string_view, std::string_view)>& each);

// ASCII case-insensitive comparison and search, for keywords of HTML and CSS.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool ContainsIgnoringCase(std::string_view text, std::string_view word);

}  // namespace quorlin
