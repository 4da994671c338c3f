// Column widths of HTML tables for RTF rows (\cellx), from the widths the HTML states.
#include "converter/html/html_to_rtf_table.h"

#include <algorithm>
#include <cmath>

namespace quorlin {
namespace {

constexpr int kNarrowest = 120;  // twips: a column never vanishes

int Twips(const HtmlLength& length, int whole) {
  const double twips = length.percent ? length.value * whole / 100 : length.value * 15;
  return static_cast<int>(std::lround(std::clamp(twips, 0.0, double{kTextWidthTwips})));
}

}  // namespace

std::vector<std::vector<int>> TableCellEdges(std::optional<HtmlLength> width,
                                             const std::vector<std::vector<HtmlCellSpec>>& rows) {
  const int table = std::max(width ? Twips(*width, kTextWidthTwips) : kTextWidthTwips, 720);
  int columns = 1;
  for (const std::vector<HtmlCellSpec>& row : rows) {
    long spans = 0;
    for (const HtmlCellSpec& cell : row) spans += std::clamp(cell.colspan, 1, kMostColumns);
    columns = static_cast<int>(std::clamp<long>(spans, columns, kMostColumns));
  }
  std::vector<int> stated(columns, -1);
  for (const std::vector<HtmlCellSpec>& row : rows) {
    int column = 0;
    for (const HtmlCellSpec& cell : row) {
      if (column >= columns) break;
      if (cell.colspan <= 1 && cell.width && stated[column] < 0)
        stated[column] = Twips(*cell.width, table);
      column += std::clamp(cell.colspan, 1, kMostColumns);
    }
  }
  long stated_total = 0;
  int unstated = 0;
  for (int w : stated) {
    if (w < 0) {
      ++unstated;
    } else {
      stated_total += w;
    }
  }
  std::vector<double> widths(columns);
  const double rest = std::max<double>(table - stated_total, 0);
  for (int i = 0; i < columns; ++i)
    widths[i] = stated[i] >= 0 ? stated[i] : rest / std::max(unstated, 1);
  double total = 0;
  for (double w : widths) total += w;
  // Stated widths that add up to more or less than the table are scaled to fill it.
  const double scale = total > 0 ? table / total : 0;
  for (double& w : widths) w = total > 0 ? w * scale : static_cast<double>(table) / columns;

  std::vector<std::vector<int>> edges;
  edges.reserve(rows.size());
  for (const std::vector<HtmlCellSpec>& row : rows) {
    std::vector<int> right;
    int column = 0;
    double at = 0;
    int last = 0;
    for (const HtmlCellSpec& cell : row) {
      if (column >= columns) break;
      const int span = std::min(std::clamp(cell.colspan, 1, kMostColumns), columns - column);
      for (int k = 0; k < span; ++k) at += widths[column + k];
      column += span;
      last = std::max(static_cast<int>(std::lround(at)), last + kNarrowest);
      right.push_back(last);
    }
    edges.push_back(std::move(right));
  }
  return edges;
}

}  // namespace quorlin
