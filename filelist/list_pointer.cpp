// The row drag: trading the carried path with the row under the pointer, scrolling near
// the screen's edges, and the drag pointer.
#include "filelist/list_pointer.h"

#include <QCursor>
#include <QPixmap>

#include "filelist/file_list.h"
#include "platform/paths.h"
#include "platform/pointer_control.h"

namespace {

// Screen heights, in logical pixels, above which a trade scrolls up and below which it
// scrolls down.
constexpr int kScrollUpBelowY = 305;
constexpr int kScrollDownAboveY = 364;

}  // namespace

void PressOnList(RowDrag& drag) {
  drag.MouseIsDown = true;
  drag.DragItem = QPersistentModelIndex();
}

void StartRowDrag(FileListView& list, RowDrag& drag, const PointerControl& pointer, int position,
                  const QString& applicationFolder) {
  if (pointer.IsBusy()) return;
  // The drag pointer; without a readable "drag.ico" the list keeps its standard pointer.
  const QPixmap image(applicationFolder + PathSeparator() + QStringLiteral("drag.ico"));
  if (!image.isNull()) list.viewport()->setCursor(QCursor(image));
  list.setDragEnabled(false);  // the list starts no drag of its own
  const int selected = list.SelectedPosition();
  drag.DragItem = list.RowRef(selected > 0 ? selected : position);
}

void ReleaseOnList(FileListView& list, RowDrag& drag, const PointerControl& pointer) {
  drag.MouseIsDown = false;
  if (!pointer.IsBusy()) list.viewport()->setCursor(Qt::ArrowCursor);
}

void MoveDraggedRow(FileListView& list, RowDrag& drag, PointerControl& pointer, const QPoint& pos,
                    const std::function<int()>& screenY) {
  if (pointer.IsBusy()) return;
  pointer.SetMousePointer(WindowPointer::Default);
  if (!drag.MouseIsDown) return;
  const int hit = list.HitTest(pos);
  drag.HitItem = list.RowRef(hit);
  const int dragged = list.PositionOf(drag.DragItem);  // 0 when none or removed since
  if (hit > 0 && dragged > 0 && list.Text(dragged) != list.Text(hit)) {
    list.SwapRows(dragged, hit);
    list.Select(hit);
    drag.DragItem = list.RowRef(hit);
    const int y = screenY();
    if (y < kScrollUpBelowY) {
      if (hit >= 2) list.EnsureVisible(hit - 1);
    } else if (y > kScrollDownAboveY && hit + 1 <= list.Count()) {
      list.EnsureVisible(hit + 1);
    }
  }
  drag.HitItem = QPersistentModelIndex();
}
