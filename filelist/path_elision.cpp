// Shortening long paths in the list's rows (see path_elision.h).
#include "filelist/path_elision.h"

#include <QApplication>
#include <QStyle>

#include "platform/paths.h"

QString ElidePath(const QString& path, QChar separator, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(path) <= width) return path;
  const QString ellipsis(QChar(0x2026));
  const qsizetype nameStart = path.lastIndexOf(separator);
  if (nameStart <= 0) return metrics.elidedText(path, Qt::ElideMiddle, width);
  const QString name = path.mid(nameStart);  // with its separator
  const int nameWidth = metrics.horizontalAdvance(ellipsis + name);
  if (nameWidth > width)
    return ellipsis + metrics.elidedText(name, Qt::ElideMiddle, width - metrics.horizontalAdvance(ellipsis));
  // As much of the folder part's start as the room left allows, measured as a whole (the
  // width of a text is not quite the sum of its characters' widths).
  const QString folder = path.left(nameStart);
  const auto shown = [&](qsizetype keep) { return folder.left(keep) + ellipsis + name; };
  qsizetype low = 0, high = folder.size();
  while (low < high) {
    const qsizetype mid = (low + high + 1) / 2;
    if (metrics.horizontalAdvance(shown(mid)) <= width) low = mid;
    else high = mid - 1;
  }
  if (low > 0 && folder[low - 1].isHighSurrogate()) --low;  // never half a character
  return shown(low);
}

void PathElidingDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (!option->features.testFlag(QStyleOptionViewItem::HasDisplay)) return;
  const QWidget* widget = option->widget;
  const QStyle* style = widget ? widget->style() : QApplication::style();
  // The room the style leaves for the text inside the cell.
  const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, option, widget);
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  option->text = ElidePath(option->text, PathSeparator(), option->fontMetrics, textRect.width() - 2 * margin);
}
