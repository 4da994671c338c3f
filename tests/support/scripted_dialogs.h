// ScriptedDialogs: the program's boxes and dialogs without a screen. Every box is recorded in
// order; questions are answered from queues the test fills beforehand. A question asked with
// its queue empty fails the test with a clear message (unless failOnUnscripted is cleared)
// and gets the documented default: No, empty text, or a cancelled dialog.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/app_error.h"
#include "platform/dialogs.h"

struct ShownBox {
  enum class Kind { Message, YesNo, Input, OpenFiles, BrowseForFolder };
  Kind kind = Kind::Message;
  QString text;        // message, question or prompt text
  QString caption;     // message caption (empty: the application title), input or dialog title
  Dialogs::Icon icon = Dialogs::Icon::None;
  QString extra;       // input default answer, file filter, or picker start folder
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

  // The texts of the message boxes (ShowMessage only), in order.
  std::vector<QString> Messages() const;
  // The message boxes captioned "Application Error".
  std::vector<QString> ErrorBoxes() const;
  // Whether every scripted answer has been used.
  bool AllAnswersUsed() const;

  void ShowMessage(const QString& text, const QString& caption, Icon icon) override;
  bool AskYesNo(const QString& text) override;
  QString InputBox(const QString& prompt, const QString& title, const QString& defaultAnswer) override;
  QString OpenFiles(const QString& title, const QString& filter) override;
  QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder) override;

 private:
  struct Result {
    QString text;
    std::optional<AppError> error;
  };
  void Record(ShownBox box);
  void Unscripted(const char* what, const QString& text) const;

  std::deque<bool> yesNo_;
  std::deque<QString> input_;
  std::deque<Result> openFiles_;
  std::deque<QString> folders_;
};
