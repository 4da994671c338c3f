// Removing rows and emptying the list, each refused while the window is busy.
#include "filelist/list_editing.h"

#include "filelist/file_list.h"
#include "platform/error_trap.h"
#include "platform/pointer_control.h"

namespace {
constexpr int kDeleteKey = 46;
}  // namespace

void RemoveSelectedRow(FileListView& list, const PointerControl& pointer) {
  if (pointer.IsBusy()) return;
  if (list.Count() == 0) return;
  const int selected = list.SelectedPosition();
  if (selected == 0) return;
  list.Remove(selected);
}

void RemoveSelectedRowByKey(FileListView& list, const PointerControl& pointer, int keyCode) {
  if (keyCode == kDeleteKey) RemoveSelectedRow(list, pointer);
}

void ClearList(FileListView& list, const PointerControl& pointer, Dialogs& dialogs) {
  ErrorTrap trap(dialogs, QStringLiteral("in Lorvane2021/08/31.Form1.PushButton6_Click "));
  if (trap.Test(100, [&] { return !pointer.IsBusy(); })) trap.Step(100, [&] { list.Clear(); });
}
