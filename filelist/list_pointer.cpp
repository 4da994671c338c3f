// Reordering rows by dragging them with the mouse button held: the dragged path trades
// places with each row it is moved onto, and the list scrolls when the pointer nears the
// top or the bottom of the screen. The list shows the pointer from "drag.ico" meanwhile.
#include <QCursor>
#include <QPixmap>

#include "app/form1.h"
#include "filelist/file_list.h"
#include "platform/paths.h"

namespace {

// Screen heights, in logical pixels, above which a trade scrolls up and below which it
// scrolls down.
constexpr int kScrollUpBelowY = 305;
constexpr int kScrollDownAboveY = 364;

}  // namespace

void Form1::ListView1_ItemClick(int position) {
  // The drag pointer; without a readable "drag.ico" the list keeps its standard pointer.
  const QPixmap image(services_.applicationFolder + PathSeparator() + QStringLiteral("drag.ico"));
  if (!image.isNull()) ListView1->viewport()->setCursor(QCursor(image));
  ListView1->setDragEnabled(false);  // the list starts no drag of its own
  const int selected = ListView1->SelectedPosition();
  DragItem = ListView1->RowRef(selected > 0 ? selected : position);
}

void Form1::ListView1_MouseDown() { MouseIsDown = true; }

void Form1::ListView1_MouseUp() {
  MouseIsDown = false;
  ListView1->viewport()->setCursor(Qt::ArrowCursor);
}

void Form1::ListView1_MouseMove(const QPoint& pos) {
  if (MousePointer() != 11) SetMousePointer(0);
  if (!MouseIsDown) return;
  const int hit = ListView1->HitTest(pos);
  HitItem = ListView1->RowRef(hit);
  const int drag = ListView1->PositionOf(DragItem);  // 0 when none or removed since
  if (hit > 0 && drag > 0 && ListView1->Text(drag) != ListView1->Text(hit)) {
    const QString carried = ListView1->Text(drag);
    ListView1->SetText(drag, ListView1->Text(hit));
    ListView1->SetText(hit, carried);
    ListView1->Select(hit);
    DragItem = ListView1->RowRef(hit);
    const int y = services_.cursorPos().y();
    if (y < kScrollUpBelowY) {
      if (hit >= 2) ListView1->EnsureVisible(hit - 1);
    } else if (y > kScrollDownAboveY && hit + 1 <= ListView1->Count()) {
      ListView1->EnsureVisible(hit + 1);
    }
  }
  HitItem = QPersistentModelIndex();
}
