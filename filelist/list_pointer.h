// Reordering rows by dragging them with the mouse button held: the dragged path trades
// places with each row it is moved onto, and the list scrolls when the pointer nears the
// top or the bottom of the screen. The list shows the pointer from "drag.ico" meanwhile.
#pragma once

#include <QPersistentModelIndex>
#include <QString>
#include <functional>

class FileListView;
class PointerControl;
class QPoint;

// What one drag of a row carries from one pointer event to the next.
struct RowDrag {
  bool MouseIsDown = false;        // a button went down on the list and is still down
  QPersistentModelIndex DragItem;  // the row carrying the dragged path, or none
  QPersistentModelIndex HitItem;   // the row under the pointer during one move, or none
};

// While the window is busy (a folder add or a conversion run works through the rows) no
// row is dragged and the list keeps the busy pointer: the run's rows stay where they are.

// A button went down on the list: whatever row was carried before is let go, so only a row
// the user grabs now (StartRowDrag follows for a press on a row) can move.
void PressOnList(RowDrag& drag);
// A row was clicked at `position`: it (or the selected row) starts carrying the drag, and
// the list shows the drag pointer read from "drag.ico" in the application folder.
void StartRowDrag(FileListView& list, RowDrag& drag, const PointerControl& pointer, int position,
                  const QString& applicationFolder);
// The pointer moved to `pos` (the list's viewport coordinates): with the button held the
// carried path trades places with the row under it; `screenY` tells the pointer's height on
// the screen, which decides the scrolling after a trade.
void MoveDraggedRow(FileListView& list, RowDrag& drag, PointerControl& pointer, const QPoint& pos,
                    const std::function<int()>& screenY);
// The button came up: the list gets its arrow back; the carried row is kept.
void ReleaseOnList(FileListView& list, RowDrag& drag, const PointerControl& pointer);
