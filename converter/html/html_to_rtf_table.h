// The column grid of an HTML table laid out as an RTF table: where each row's cells end.
#pragma once

#include <optional>
#include <vector>

#include "converter/html/html_to_rtf_style.h"

namespace quorlin {

// The text width of the page, 6.5 inches, in twips.
inline constexpr int kTextWidthTwips = 9360;
// The most columns a table gets: word processors take no more.
inline constexpr int kMostColumns = 63;

struct HtmlCellSpec {
  int colspan = 1;
  std::optional<HtmlLength> width;
};

// The right edges in twips of the cells of each row. The table is `width` wide (pixels at
// 15 twips, or a share of the text width; the text width when not given or wider), its
// columns as many as its widest row (at most kMostColumns), each column as wide as its
// first cell of one column that states a width, the others sharing what is left equally.
// A cell spans `colspan` columns, cut at the last; cells past the last column get no edge.
std::vector<std::vector<int>> TableCellEdges(std::optional<HtmlLength> width,
                                             const std::vector<std::vector<HtmlCellSpec>>& rows);

}  // namespace quorlin
