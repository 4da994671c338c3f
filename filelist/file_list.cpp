// ListView1's model and view: a flat vector of paths behind a one-column tree view with
// uniform row heights, so that large lists append and scroll quickly, and the translation of
// the view's user events into its signals.
#include "filelist/file_list.h"

#include <QDragEnterEvent>
#include <algorithm>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>

#include "filelist/path_elision.h"
#include "platform/app_error.h"
#include "platform/twips.h"

namespace {
// The key code the handlers test (46 for Delete, 8 for Backspace, 65 to 90 for letters),
// translated from a Qt key number; 0 for a key without one.
int KeyCodeOf(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return qtKey;  // Qt numbers letters and digits by their upper-case character codes too
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 112 + (qtKey - Qt::Key_F1);
  switch (qtKey) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 9;
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
  }
}
}  // namespace

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || static_cast<size_t>(index.row()) >= rows_.size())
    return {};
  // The row shows its path, shortened by the view when it is long; the tool tip shows it whole.
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return rows_[static_cast<size_t>(index.row())].path;
  return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  // The heading counts the messages queued.
  return rows_.empty() ? header_ : QStringLiteral("%1 (%2 queued)").arg(header_).arg(rows_.size());
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void FileListModel::SetHeader(const QString& text) {
  header_ = text;
  emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void FileListModel::Append(const QString& path, const QString& root) {
  const int row = static_cast<int>(rows_.size());
  beginInsertRows({}, row, row);
  rows_.push_back({path, root});
  endInsertRows();
  emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void FileListModel::SetText(int row, const QString& text) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return;
  rows_[static_cast<size_t>(row)].path = text;
  const QModelIndex changed = index(row, 0);
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void FileListModel::Swap(int first, int second) {
  const auto count = static_cast<int>(rows_.size());
  if (first < 0 || second < 0 || first >= count || second >= count) return;
  std::swap(rows_[static_cast<size_t>(first)], rows_[static_cast<size_t>(second)]);
  for (const int row : {first, second}) emit dataChanged(index(row, 0), index(row, 0), {Qt::DisplayRole});
}

void FileListModel::Remove(int row) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
  emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void FileListModel::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
  emit headerDataChanged(Qt::Horizontal, 0, 0);
}

FileListView::FileListView(QWidget* parent) : QTreeView(parent), model_(new FileListModel(this)) {
  setModel(model_);
  setItemDelegate(new PathElidingDelegate(this));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(false);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  setDropIndicatorShown(false);
  viewport()->setMouseTracking(true);
  setMouseTracking(true);
  header()->setStretchLastSection(false);
  // A width the user drags is kept as the column's own; the list's width is its least.
  connect(header(), &QHeaderView::sectionResized, this, [this](int, int, int newSize) {
    if (!filling_) chosenWidth_ = newSize;
  });
  header()->setSectionsMovable(false);
  // Until the column is added at start-up the list shows no header text.
  header()->setVisible(true);
}

void FileListView::AddColumn(const QString& header) { model_->SetHeader(header); }

void FileListView::SetColumnWidthTwips(int twips) {
  chosenWidth_ = TwipsToPixels(twips);
  setColumnWidth(0, chosenWidth_);
  FillWidth();
}

void FileListView::FillWidth() {
  const int width = std::max(chosenWidth_, viewport()->width());
  if (columnWidth(0) == width) return;
  filling_ = true;
  setColumnWidth(0, width);
  filling_ = false;
}

void FileListView::resizeEvent(QResizeEvent* event) {
  QTreeView::resizeEvent(event);
  FillWidth();
}

void FileListView::Append(const QString& path, const QString& root) { model_->Append(path, root); }

int FileListView::Count() const { return model_->rowCount(); }

void FileListView::CheckPosition(int position) const {
  if (position < 1 || position > Count())
    throw AppError(QStringLiteral("Index out of bounds"), kIndexOutOfBounds);
}

QString FileListView::Text(int position) const {
  CheckPosition(position);
  return model_->Text(position - 1);
}

QString FileListView::Root(int position) const {
  CheckPosition(position);
  return model_->Root(position - 1);
}

void FileListView::SwapRows(int first, int second) {
  CheckPosition(first);
  CheckPosition(second);
  model_->Swap(first - 1, second - 1);
}

void FileListView::SetText(int position, const QString& text) {
  CheckPosition(position);
  model_->SetText(position - 1, text);
}

void FileListView::Remove(int position) {
  CheckPosition(position);
  model_->Remove(position - 1);
}

void FileListView::Clear() { model_->Clear(); }

bool FileListView::ListContains(const QString& path) const {
  bool found = false;
  const int count = Count();
  for (int row = 0; row < count; ++row)
    if (model_->Text(row) == path) found = true;
  return found;
}

int FileListView::SelectedPosition() const {
  const QModelIndexList selected = selectionModel()->selectedRows();
  return selected.isEmpty() ? 0 : selected.first().row() + 1;
}

void FileListView::Select(int position) {
  const QModelIndex index = model_->index(position - 1, 0);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FileListView::EnsureVisible(int position) { scrollTo(model_->index(position - 1, 0)); }

int FileListView::HitTest(const QPoint& viewportPoint) const {
  const QModelIndex index = indexAt(viewportPoint);
  return index.isValid() ? index.row() + 1 : 0;
}

QPersistentModelIndex FileListView::RowRef(int position) const {
  return QPersistentModelIndex(model_->index(position - 1, 0));
}

int FileListView::PositionOf(const QPersistentModelIndex& ref) const {
  if (!ref.isValid() || ref.model() != model_) return 0;
  return ref.row() + 1;
}

void FileListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  emit DoubleClick();
}

void FileListView::keyPressEvent(QKeyEvent* event) {
  int shift = 0;
  if (event->modifiers() & Qt::ShiftModifier) shift |= 1;
  if (event->modifiers() & Qt::ControlModifier) shift |= 2;
  if (event->modifiers() & Qt::AltModifier) shift |= 4;
  emit KeyDown(KeyCodeOf(event->key()), shift);
  QTreeView::keyPressEvent(event);
}

void FileListView::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
  emit MouseDown();
  const int position = HitTest(event->position().toPoint());
  if (position > 0) emit ItemClick(position);
}

void FileListView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeView::mouseReleaseEvent(event);
  emit MouseUp();
}

void FileListView::mouseMoveEvent(QMouseEvent* event) {
  if (isSignalConnected(QMetaMethod::fromSignal(&FileListView::MouseMove)))
    emit MouseMove(event->position().toPoint());
  else
    QTreeView::mouseMoveEvent(event);
}

namespace {

// The list only reads the dropped paths, so it always answers Copy: a Move answer would let
// the source delete the user's originals. A source that cannot copy is refused.
bool CopyPossible(QDropEvent* event) {
  if (event->possibleActions().testFlag(Qt::CopyAction)) return true;
  event->ignore();
  return false;
}

void AcceptAsCopy(QDropEvent* event) {
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

}  // namespace

// A drag entering or moving over the list: the listener decides whether it is taken.
void FileListView::AnswerDragOver(QDropEvent* event) {
  if (!CopyPossible(event)) return;
  int effect = 1;
  emit DragOver(event->mimeData(), &effect);
  if (effect != 0) AcceptAsCopy(event);
  else event->ignore();
}

void FileListView::dragEnterEvent(QDragEnterEvent* event) { AnswerDragOver(event); }

void FileListView::dragMoveEvent(QDragMoveEvent* event) { AnswerDragOver(event); }

void FileListView::dropEvent(QDropEvent* event) {
  if (!CopyPossible(event)) return;
  emit DragDrop(event->mimeData());
  AcceptAsCopy(event);
}
