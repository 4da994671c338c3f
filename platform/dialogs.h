// Every modal box and dialog of the main program behind one small interface, so that each
// handler runs in a test with a scripted double instead of a screen.
#pragma once

#include <QString>

class QWidget;

class Dialogs {
 public:
  enum class Icon { None, Exclamation, Question };

  virtual ~Dialogs() = default;

  // A message box with an OK button. An empty caption shows the application title.
  // CR, LF and CR LF in the text are each shown as a line break.
  virtual void ShowMessage(const QString& text, const QString& caption = {}, Icon icon = Icon::None) = 0;

  // A question box with Yes and No buttons and the application title; true for Yes.
  virtual bool AskYesNo(const QString& text) = 0;

  // The text-input prompt with the application title (or the given title), pre-filled with
  // the default answer. Cancel gives empty text.
  virtual QString InputBox(const QString& prompt, const QString& title, const QString& defaultAnswer) = 0;

  // The file-open dialog for several files of one folder. Result: empty text on cancel; one
  // full path for one file; otherwise the folder, then each chosen name, separated by NUL
  // characters. Throws AppError error_number::kDialogBufferTooSmall when the selection does
  // not fit the result's capacity.
  virtual QString OpenFiles(const QString& title, const QString& filter) = 0;

  // The folder picker: opens with the start folder selected, accepts only real folders.
  // Result: empty text on cancel; a root keeps its separator, other folders have none.
  virtual QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder) = 0;
};
