// Form1's window-wide pointer: Default lets every control show its own pointer; Hourglass
// and Hand (the arrow when no hand was loaded) cover the whole window, controls included,
// until the setting returns to Default.
#include <QWidget>

#include "app/form1.h"

void Form1::SetMousePointer(WindowPointer pointer) {
  if (pointer == mousePointer_) return;
  mousePointer_ = pointer;
  ApplyWindowPointer();
}

void Form1::SetMouseIcon(const QCursor& cursor) {
  mouseIcon_ = cursor;
  if (mousePointer_ == WindowPointer::Hand) ApplyWindowPointer();
}

void Form1::ApplyWindowPointer() {
  if (mousePointer_ == WindowPointer::Default) {
    for (auto& [widget, own] : savedPointers_) {
      if (widget.isNull()) continue;
      if (own) widget->setCursor(*own);
      else widget->unsetCursor();
    }
    savedPointers_.clear();
    unsetCursor();
    return;
  }
  QCursor cover(Qt::WaitCursor);
  if (mousePointer_ == WindowPointer::Hand) cover = mouseIcon_ ? *mouseIcon_ : QCursor(Qt::ArrowCursor);
  if (savedPointers_.empty()) {
    for (QWidget* child : findChildren<QWidget*>()) {
      std::optional<QCursor> own;
      if (child->testAttribute(Qt::WA_SetCursor)) own = child->cursor();
      savedPointers_.emplace_back(child, own);
    }
  }
  setCursor(cover);
  for (auto& entry : savedPointers_)
    if (!entry.first.isNull()) entry.first->setCursor(cover);
}
