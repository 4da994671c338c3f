// How a list row shows a path too long for its column: the folder part gives way in its
// middle, so that the start of the path and the whole file name stay in sight. The row's
// text itself stays the full path; the delegate only draws it shorter.
#pragma once

#include <QFontMetrics>
#include <QString>
#include <QStyledItemDelegate>

// The path as it fits within `width` pixels: unchanged when it fits; else the start of the
// folder part, "…", and the last separator with the file name; when even "…" and the file
// name do not fit, the file name shortened in its middle after "…".
QString ElidePath(const QString& path, QChar separator, const QFontMetrics& metrics, int width);

// Draws each row's path through ElidePath.
class PathElidingDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
