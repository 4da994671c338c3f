// Column widths of HTML tables for RTF rows (\cellx), from the widths the HTML states and
// what the cells hold, the way a browser lays out a table whose layout is automatic.
#include "converter/html/html_to_rtf_table.h"

#include <algorithm>
#include <cmath>

namespace quorlin {
namespace {

constexpr int kNarrowest = 120;  // twips: a column never vanishes

double Twips(const HtmlLength& length, double whole, int text_width) {
  const double twips = length.percent ? length.value * whole / 100 : length.value * 15;
  return std::clamp(twips, 0.0, static_cast<double>(text_width));
}

double Sum(const std::vector<double>& values) {
  double total = 0;
  for (double v : values) total += v;
  return total;
}

}  // namespace

std::vector<std::vector<int>> TableCellEdges(std::optional<HtmlLength> width,
                                             const std::vector<std::vector<HtmlCellSpec>>& rows,
                                             int text_width) {
  text_width = std::max(text_width, 720);
  int columns = 1;
  for (const std::vector<HtmlCellSpec>& row : rows) {
    long spans = 0;
    for (const HtmlCellSpec& cell : row) spans += std::clamp(cell.colspan, 1, kMostColumns);
    columns = static_cast<int>(std::clamp<long>(spans, columns, kMostColumns));
  }
  // A stated table width; a share of the text width first, of the table below.
  const std::optional<double> table_width =
      width ? std::optional<double>(std::max(Twips(*width, text_width, text_width), 720.0)) : std::nullopt;
  const double share_of = table_width.value_or(text_width);
  std::vector<double> stated(columns, -1), least(columns, 0), most(columns, 0);
  for (const std::vector<HtmlCellSpec>& row : rows) {
    int column = 0;
    for (const HtmlCellSpec& cell : row) {
      if (column >= columns) break;
      if (cell.colspan <= 1) {
        if (cell.width && stated[column] < 0) stated[column] = Twips(*cell.width, share_of, text_width);
        least[column] = std::max<double>(least[column], cell.least_content);
        most[column] = std::max<double>(most[column], cell.most_content);
      }
      column += std::clamp(cell.colspan, 1, kMostColumns);
    }
  }
  std::vector<double> asked(columns);
  for (int i = 0; i < columns; ++i) {
    least[i] = std::min(least[i] + 2 * kCellGapTwips, static_cast<double>(text_width));
    most[i] = std::max(std::min(most[i] + 2 * kCellGapTwips, static_cast<double>(text_width)), least[i]);
    asked[i] = std::max(stated[i] >= 0 ? stated[i] : most[i], std::max(least[i], double{kNarrowest}));
  }
  const double table = std::min(table_width.value_or(std::max(Sum(asked), 720.0)), static_cast<double>(text_width));

  std::vector<double> widths = asked;
  double total = Sum(widths);
  if (total > table) {
    // Narrowed down to the words and pictures, then, if they do not fit either, scaled.
    std::vector<double> spare(columns);
    for (int i = 0; i < columns; ++i) spare[i] = std::max(widths[i] - least[i], 0.0);
    const double spare_total = Sum(spare), excess = total - table;
    if (spare_total >= excess) {
      for (int i = 0; i < columns; ++i) widths[i] -= spare[i] * excess / spare_total;
    } else {
      for (int i = 0; i < columns; ++i) widths[i] = (widths[i] - spare[i]) * table / (total - spare_total);
    }
  } else if (total < table) {
    // What is left goes to the columns without a stated width, by what they ask; to every
    // column when all state one.
    double growing = 0;
    for (int i = 0; i < columns; ++i)
      if (stated[i] < 0) growing += widths[i];
    const bool all_stated = growing == 0;
    if (all_stated) growing = total;
    for (int i = 0; i < columns; ++i)
      if (all_stated || stated[i] < 0) widths[i] += (table - total) * widths[i] / growing;
  }

  std::vector<std::vector<int>> edges;
  edges.reserve(rows.size());
  const int last_edge = static_cast<int>(std::lround(table));
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
      last = std::max(std::min(static_cast<int>(std::lround(at)), last_edge), last + kNarrowest);
      right.push_back(last);
    }
    edges.push_back(std::move(right));
  }
  return edges;
}

}  // namespace quorlin
