// ScriptedDialogs: the program's boxes and dialogs without a screen. Every box is recorded in
// order; questions are answered from queues the test fills beforehand. A question asked with
// its queue empty fails the test with a clear message (unless failOnUnscripted is cleared)
// and gets the documented default: No, the escape button, empty text, or a cancelled dialog.
// Message boxes with a check box or details count as messages.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/app_error.h"
#include "platform/dialogs.h"

struct ShownBox {
  enum class Kind { Message, YesNo, Choice, Input, OpenFiles, SaveFile, BrowseForFolder };
  Kind kind = Kind::Message;
  QString text;        // message, question or prompt text
  QString caption;     // message caption (empty: the application title), input or dialog title
  Dialogs::Icon icon = Dialogs::Icon::None;
  QString extra;       // input default answer, file filter, picker or save start, a message's
                       // check box text or details, or a choice's buttons joined by "|"
  QString button{};    // the extra button of a message with details, if any; "No" for a
                       // Yes/No question whose default button is No
  bool saveList = false;  // a message with details offered "Save List..."
};

class ScriptedDialogs : public Dialogs {
 public:
  // Every box and dialog shown, in order.
  std::vector<ShownBox> shown;
  bool failOnUnscripted = true;
  // Called after a box is recorded and before it is answered; lets a test act "while the box
  // is open" (close the window, change the list, ...).
  std::function<void(const ShownBox&)> onShow;

  void AnswerYesNo(bool yes) { yesNo_.push_back(yes); }
  void AnswerInput(const QString& text) { input_.push_back(text); }
  void AnswerOpenFiles(const QString& result) { openFiles_.push_back(Result{result, {}}); }
  void FailOpenFiles(const AppError& error) { openFiles_.push_back(Result{{}, error}); }
  void AnswerFolder(const QString& folder) { folders_.push_back(folder); }
  // Ticks (or leaves) the check box of the next message box that offers one; unscripted,
  // the box closes with it clear.
  void TickCheckBox(bool tick) { checkBoxes_.push_back(tick); }
  void AnswerChoice(int button) { choices_.push_back(button); }
  // Closes the next box with details by its extra button ("Open Folder") when it has one;
  // unscripted, such a box closes with OK.
  void PressExtraButton(bool press) { extraButtons_.push_back(press); }
  // Presses "Save List..." in the next box with details that offers it, before it closes.
  void PressSaveList(bool press) { saveLists_.push_back(press); }
  // The save dialog's answer: a path, or empty text for Cancel.
  void AnswerSaveFile(const QString& path) { saveFiles_.push_back(path); }

  // The texts of the message boxes (ShowMessage only), in order.
  std::vector<QString> Messages() const;
  // The message boxes captioned "Application Error".
  std::vector<QString> ErrorBoxes() const;
  // Whether every scripted answer has been used.
  bool AllAnswersUsed() const;

  void ShowMessage(const QString& text, const QString& caption, Icon icon) override;
  bool AskYesNo(const QString& text, bool defaultYes = true) override;
  bool ShowMessageWithCheckBox(const QString& text, const QString& checkBoxText) override;
  bool ShowMessageWithDetails(const QString& text, const QString& details, Icon icon = Icon::None,
                              const QString& extraButton = {},
                              const std::function<void()>& saveList = {}) override;
  int AskChoice(const QString& text, const QStringList& buttons, int escapeButton) override;
  QString InputBox(const QString& prompt, const QString& title, const QString& defaultAnswer) override;
  QString OpenFiles(const QString& title, const QString& filter) override;
  QString SaveFile(const QString& title, const QString& filter, const QString& suggestedPath) override;
  QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder) override;

 private:
  struct Result {
    QString text;
    std::optional<AppError> error;
  };
  void Record(ShownBox box);
  void Unscripted(const char* what, const QString& text) const;

  std::deque<bool> yesNo_;
  std::deque<bool> checkBoxes_;
  std::deque<bool> extraButtons_;
  std::deque<bool> saveLists_;
  std::deque<QString> saveFiles_;
  std::deque<int> choices_;
  std::deque<QString> input_;
  std::deque<Result> openFiles_;
  std::deque<QString> folders_;
};
