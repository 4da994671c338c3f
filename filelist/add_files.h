// "Add MSG File(s)": adds the files chosen in the file-open dialog, one row each.
#pragma once

class Dialogs;
class FileListView;

// Asks for files and appends each chosen path; a choice too long for the dialog is told
// to the user, who is pointed to "Add All". Failing steps show the error box.
void AddChosenFiles(FileListView& list, Dialogs& dialogs);
