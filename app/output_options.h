// Where results go: the two options, the folder text and its "..." button, each kept in the
// settings the moment it changes.
#pragma once

#include <QString>

class Dialogs;
class QLineEdit;
class QWidget;
class SettingsStore;

// Stores both options' states.
void StoreOutputOptions(SettingsStore& settings, bool toChosenFolder, bool besideSource);
// Stores the folder box's text.
void StoreOutputFolder(SettingsStore& settings, const QString& folder);
// The "..." button: picks the output folder (the picker, owned by `owner`, starts at the
// folder in the box when it is there, else at the folder last picked here) and puts it into
// the folder box with exactly one trailing separator. Failing steps show the error box.
void ChooseOutputFolder(Dialogs& dialogs, SettingsStore& settings, QWidget* owner, QLineEdit& folderBox);
