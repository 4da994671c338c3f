// The column grid of an HTML table laid out as an RTF table: where each row's cells end.
#pragma once

#include <optional>
#include <vector>

#include "converter/html/html_to_rtf_style.h"

namespace quorlin {

// The most columns a table gets: word processors take no more.
inline constexpr int kMostColumns = 63;
// The space a cell keeps on each side of its content (\trgaph).
inline constexpr int kCellGapTwips = 108;

struct HtmlCellSpec {
  int colspan = 1;
  std::optional<HtmlLength> width;
  // The cell's content, in twips: its widest word or picture, and its longest line.
  int least_content = 0;
  int most_content = 0;
};

// The right edges in twips of the cells of each row, the table never wider than
// `text_width`. The table is `width` wide (pixels at 15 twips, or a share of the text
// width), or, when that is not given, as wide as its content asks for, at most the text
// width. Its columns are as many as its widest row (at most kMostColumns). A column is as
// wide as its first cell of one column that states a width, at least its widest word or
// picture; the others as their content asks. Columns that ask for more than the table
// gives are narrowed down to their words or pictures, those with the most to spare the
// most; columns that ask for less share what is left, those without a stated width first.
// A cell spans `colspan` columns, cut at the last; cells past the last column get no edge.
std::vector<std::vector<int>> TableCellEdges(std::optional<HtmlLength> width,
                                             const std::vector<std::vector<HtmlCellSpec>>& rows,
                                             int text_width);

}  // namespace quorlin
