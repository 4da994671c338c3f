// Every modal box and dialog of the main program behind one small interface, so that each
// handler runs in a test with a scripted double instead of a screen.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

class Dialogs {
 public:
  enum class Icon { None, Exclamation, Question };

  virtual ~Dialogs() = default;

  // A message box with an OK button. An empty caption shows the application title.
  // CR, LF and CR LF in the text are each shown as a line break.
  virtual void ShowMessage(const QString& text, const QString& caption = {}, Icon icon = Icon::None) = 0;

  // A question box with Yes and No buttons and the application title; true for Yes. Enter
  // presses the default button (Yes, or No when `defaultYes` is false); Escape answers No.
  virtual bool AskYesNo(const QString& text, bool defaultYes = true) = 0;

  // A message box with an OK button, the application title and a check box under the text;
  // true when the check box was ticked as the box closed. Without a screen of its own an
  // implementation may show a plain message and answer false (the base does).
  virtual bool ShowMessageWithCheckBox(const QString& text, const QString& checkBoxText) {
    static_cast<void>(checkBoxText);
    ShowMessage(text);
    return false;
  }

  // A message box with an OK button, the application title and the icon, that keeps a
  // longer text as its details, shown on request (the last line in sight, long lines
  // wrapped). Empty details give no "Show Details...". A non-empty extraButton adds a button
  // with that caption; true when the box was closed with it. A saveList adds "Save List...",
  // which calls it and leaves the box open. The base shows a plain message and answers false.
  virtual bool ShowMessageWithDetails(const QString& text, const QString& details, Icon icon = Icon::None,
                                      const QString& extraButton = {},
                                      const std::function<void()>& saveList = {}) {
    static_cast<void>(details);
    static_cast<void>(extraButton);
    static_cast<void>(saveList);
    ShowMessage(text, {}, icon);
    return false;
  }

  // A question box with the application title and one button per caption, in order; the
  // result is the index of the button pressed. Closing the box (Escape, the title bar) and
  // Enter answer escapeButton, which is also what the base answers.
  virtual int AskChoice(const QString& text, const QStringList& buttons, int escapeButton) {
    static_cast<void>(text);
    static_cast<void>(buttons);
    return escapeButton;
  }

  // The text-input prompt with the application title (or the given title), pre-filled with
  // the default answer. Cancel gives empty text.
  virtual QString InputBox(const QString& prompt, const QString& title, const QString& defaultAnswer) = 0;

  // The file-open dialog for several files of one folder. Result: empty text on cancel; one
  // full path for one file; otherwise the folder, then each chosen name, separated by NUL
  // characters. Throws AppError error_number::kDialogBufferTooSmall when the selection does
  // not fit the result's capacity.
  virtual QString OpenFiles(const QString& title, const QString& filter) = 0;

  // The save dialog for one file, opened at the suggested path, asking before it replaces
  // a file. Result: the chosen path, or empty text on cancel (which the base answers).
  virtual QString SaveFile(const QString& title, const QString& filter, const QString& suggestedPath) {
    static_cast<void>(title);
    static_cast<void>(filter);
    static_cast<void>(suggestedPath);
    return {};
  }

  // The folder picker: opens with the start folder selected, accepts only real folders.
  // Result: empty text on cancel; a root keeps its separator, other folders have none.
  virtual QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder) = 0;
};
