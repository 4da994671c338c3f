// "Add All MSG File(s) In Folder": adds every file of one extension in a chosen folder tree.
#pragma once

class Dialogs;
class FileListView;
class FileSystem;
class PointerControl;
class QWidget;
class SettingsStore;

// Asks for the extension (remembered in the settings) and the folder (the picker starts
// at the folder last chosen and is owned by `owner`), then scans the tree under the
// hourglass and appends every qualifying file. Failing steps show the error box.
void AddAllFilesInFolder(FileListView& list, Dialogs& dialogs, SettingsStore& settings,
                         const FileSystem& fs, PointerControl& pointer, QWidget* owner);
