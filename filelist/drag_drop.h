// Dropping files and folders onto the list: only drags that carry local file paths are
// taken; a dropped file becomes one row as it is, a dropped folder is scanned and each file
// found in its tree becomes a row.
#pragma once

class Dialogs;
class FileListView;
class FileSystem;
class QMimeData;

// Whether the list takes this drag: it must carry local file paths and nothing else.
bool DragCarriesLocalPaths(const QMimeData* data);

// Appends the dropped files and the files of the dropped folders' trees. A path that
// vanished since the drag began is skipped.
void AddDroppedPaths(FileListView& list, const FileSystem& fs, Dialogs& dialogs, const QMimeData* data);
