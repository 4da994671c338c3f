// ListView1, the queue of source files: a one-column report list headed "MSG File(s)", with
// the count of rows queued after it once there are any, whose rows are full paths, addressed by position 1 to Count(). Each row also remembers the
// folder it was found through ("Add All" or a drop), so that a run can keep the tree below
// that folder; a file added by itself has none. Backed by a flat model so that
// appending 100,000 rows one by one stays quick. The list reports what the user does to it
// through signals; the main window routes each one to its handler.
#pragma once

#include <QAbstractListModel>
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QTreeView>
#include <vector>

class FileListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void SetHeader(const QString& text);
  void Append(const QString& path, const QString& root = {});
  const QString& Text(int row) const { return rows_[static_cast<size_t>(row)].path; }
  const QString& Root(int row) const { return rows_[static_cast<size_t>(row)].root; }
  void SetText(int row, const QString& text);
  void Swap(int first, int second);
  void Remove(int row);
  void Clear();

 private:
  struct Row {
    QString path;
    QString root;  // the folder the path was found through; empty for none
  };
  std::vector<Row> rows_;
  QString header_;
};

class FileListView : public QTreeView {
  Q_OBJECT
 public:
  explicit FileListView(QWidget* parent = nullptr);

  // The column, added once at start-up. Its width is the one set here (or dragged by the
  // user), and never less than the list's width: the column fills the list as it grows, so
  // a path is shown whole wherever it fits.
  void AddColumn(const QString& header);
  void SetColumnWidthTwips(int twips);

  // Row operations; positions run from 1 to Count(). Text, SetText and Remove throw AppError
  // ("Index out of bounds") for a position outside that range.
  void Append(const QString& path, const QString& root = {});
  int Count() const;
  QString Text(int position) const;
  // The folder the row was found through, empty for a file added by itself.
  QString Root(int position) const;
  // Changes the row's path; its root stays.
  void SetText(int position, const QString& text);
  // Trades two rows, each with its root.
  void SwapRows(int first, int second);
  void Remove(int position);
  void Clear();
  // Exact, case-sensitive comparison with every row.
  bool ListContains(const QString& path) const;

  // The selected row's position, 0 when none.
  int SelectedPosition() const;
  void Select(int position);
  void EnsureVisible(int position);
  // The row under a point of the list's viewport, 0 when none.
  int HitTest(const QPoint& viewportPoint) const;
  // A reference to a row that becomes invalid when the row is removed.
  QPersistentModelIndex RowRef(int position) const;
  // The position of a referenced row, 0 when the reference is none or the row is gone.
  int PositionOf(const QPersistentModelIndex& ref) const;

  // Not named model(): QAbstractItemView::model() returns the same object under its base type.
  FileListModel* FileModel() const { return model_; }

 private:
  // Widens the column to the list's width when it is narrower.
  void FillWidth();
  int chosenWidth_ = 0;     // the width set or dragged, in pixels
  bool filling_ = false;    // the column is being widened by FillWidth, not by the user
 public:

 signals:
  // A double-click on the list.
  void DoubleClick();
  // A key went down: its key code (46 for Delete, 8 for Backspace, 65 to 90 for letters)
  // and the shift state (1 Shift, 2 Ctrl, 4 Alt).
  void KeyDown(int keyCode, int shift);
  // A mouse button went down on the list, and then, when it went down on a row, that row.
  void MouseDown();
  void ItemClick(int position);
  void MouseUp();
  // The pointer moved over the list (viewport coordinates). While anything listens, the
  // view's own drag-selection is left out: rows move only through the listener.
  void MouseMove(const QPoint& pos);
  // A drag that can be copied enters or moves over the list; a listener sets *effect to 0
  // to refuse it.
  void DragOver(const QMimeData* data, int* effect);
  // A drag was dropped on the list.
  void DragDrop(const QMimeData* data);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  static constexpr int kIndexOutOfBounds = 35600;
  void CheckPosition(int position) const;
  void AnswerDragOver(QDropEvent* event);

  FileListModel* model_;
};
