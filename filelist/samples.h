// "Load Sample/Example Files": queues the sample files shipped in the "Samples" folder
// beside the program, then offers to open that folder on the desktop.
#pragma once

#include <QString>

class Desktop;
class Dialogs;
class FileListView;
class FileSystem;

// Appends every sample file not yet listed (exact comparison), then asks whether to open
// the sample folder. A missing sample folder adds nothing; the question is still asked.
// A failure shows the error box.
void LoadSampleFiles(FileListView& list, const QString& applicationFolder, const FileSystem& fs,
                     Dialogs& dialogs, Desktop& desktop);
