// Small helpers of the list tests: the list's rows as one value, and the window's pointer
// for routines that run without a window.
#pragma once

#include <QStringList>

#include "filelist/file_list.h"
#include "platform/pointer_control.h"

inline QStringList Rows(const FileListView& list) {
  QStringList rows;
  for (int position = 1; position <= list.Count(); ++position) rows.append(list.Text(position));
  return rows;
}

// The window-wide pointer kept as a plain value.
class PlainPointer : public PointerControl {
 public:
  WindowPointer MousePointer() const override { return pointer_; }
  void SetMousePointer(WindowPointer pointer) override { pointer_ = pointer; }

 private:
  WindowPointer pointer_ = WindowPointer::Default;
};
