// The user's three editing actions on the list: remove the selected row by double-click or
// with the Delete key, and empty the list with "Clear List". None acts while the window is
// busy, so a folder add or a conversion run never sees rows vanish under it.
#include "app/error_trap.h"
#include "app/form1.h"
#include "filelist/file_list.h"

namespace {
constexpr int kDeleteKey = 46;

void RemoveSelectedRow(Form1& form) {
  if (form.IsBusy()) return;
  FileListView& list = *form.ListView1;
  if (list.Count() == 0) return;
  const int selected = list.SelectedPosition();
  if (selected == 0) return;
  list.Remove(selected);
}
}  // namespace

void Form1::ListView1_DblClick() { RemoveSelectedRow(*this); }

// The shift state is not looked at: Shift+Delete and Ctrl+Delete remove the row too.
void Form1::ListView1_KeyDown(int keyCode, int /*shift*/) {
  if (keyCode == kDeleteKey) RemoveSelectedRow(*this);
}

void Form1::PushButton6_Click() {
  ErrorTrap trap(*services().dialogs, QStringLiteral("in Lorvane2021/08/31.Form1.PushButton6_Click "));
  if (trap.Test(100, [&] { return !IsBusy(); })) trap.Step(100, [&] { ListView1->Clear(); });
}
