// The output folder typed into the folder box, looked at as a run begins: a folder that is
// there lets the run go on; one that is not is offered to be made, with a question naming
// it, and made as `mkdir -p` makes it. What keeps the run from going on is said in a box.
#pragma once

#include <QString>

class Dialogs;

// The question for a folder that is not there.
QString MakeOutputFolderQuestion(const QString& folder);

// Whether the run may go on with the folder box's text (a leading "~" is the home folder).
// Nothing typed, a file where the folder should be, a No to the question or a folder that
// cannot be made all answer false; all but the No with a box saying why.
bool OfferOutputFolder(Dialogs& dialogs, const QString& folderText);
