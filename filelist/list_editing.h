// The user's three editing actions on the list: remove the selected row by double-click or
// with the Delete key, and empty the list with "Clear List". None acts while the window is
// busy, so a folder add or a conversion run never sees rows vanish under it.
#pragma once

class Dialogs;
class FileListView;
class PointerControl;

// Removes the selected row unless the window is busy or nothing is selected.
void RemoveSelectedRow(FileListView& list, const PointerControl& pointer);
// The same, for a key press: only the Delete key (46) removes; the shift state is not
// looked at, so Shift+Delete and Ctrl+Delete remove the row too.
void RemoveSelectedRowByKey(FileListView& list, const PointerControl& pointer, int keyCode);
// Empties the list unless the window is busy; a failing step shows the error box.
void ClearList(FileListView& list, const PointerControl& pointer, Dialogs& dialogs);
