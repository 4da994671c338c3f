// ScriptedDialogs: recording and scripted answers.
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

void ScriptedDialogs::Record(ShownBox box) {
  shown.push_back(box);
  if (onShow) onShow(box);
}

void ScriptedDialogs::Unscripted(const char* what, const QString& text) const {
  if (failOnUnscripted)
    ADD_FAILURE() << "Unscripted " << what << " shown: \"" << text.toStdString()
                  << "\"; queue an answer before the action that shows it";
}

std::vector<QString> ScriptedDialogs::Messages() const {
  std::vector<QString> texts;
  for (const ShownBox& box : shown)
    if (box.kind == ShownBox::Kind::Message) texts.push_back(box.text);
  return texts;
}

std::vector<QString> ScriptedDialogs::ErrorBoxes() const {
  std::vector<QString> texts;
  for (const ShownBox& box : shown)
    if (box.kind == ShownBox::Kind::Message && box.caption == QStringLiteral("Application Error"))
      texts.push_back(box.text);
  return texts;
}

bool ScriptedDialogs::AllAnswersUsed() const {
  return yesNo_.empty() && checkBoxes_.empty() && extraButtons_.empty() && saveLists_.empty() && choices_.empty() &&
         input_.empty() && openFiles_.empty() && saveFiles_.empty() && folders_.empty();
}

void ScriptedDialogs::ShowMessage(const QString& text, const QString& caption, Icon icon) {
  Record({ShownBox::Kind::Message, text, caption, icon, {}});
}

bool ScriptedDialogs::AskYesNo(const QString& text, bool defaultYes) {
  Record({ShownBox::Kind::YesNo, text, {}, Icon::None, {}, defaultYes ? QString() : QStringLiteral("No")});
  if (yesNo_.empty()) {
    Unscripted("Yes/No question", text);
    return false;
  }
  const bool answer = yesNo_.front();
  yesNo_.pop_front();
  return answer;
}

bool ScriptedDialogs::ShowMessageWithCheckBox(const QString& text, const QString& checkBoxText) {
  Record({ShownBox::Kind::Message, text, {}, Icon::None, checkBoxText});
  if (checkBoxes_.empty()) return false;
  const bool ticked = checkBoxes_.front();
  checkBoxes_.pop_front();
  return ticked;
}

bool ScriptedDialogs::ShowMessageWithDetails(const QString& text, const QString& details, Icon icon,
                                             const QString& extraButton, const std::function<void()>& saveList) {
  Record({ShownBox::Kind::Message, text, {}, icon, details, extraButton, static_cast<bool>(saveList)});
  if (saveList && !saveLists_.empty()) {
    const bool press = saveLists_.front();
    saveLists_.pop_front();
    if (press) saveList();
  }
  if (extraButtons_.empty()) return false;
  const bool pressed = extraButtons_.front();
  extraButtons_.pop_front();
  return pressed && !extraButton.isEmpty();
}

int ScriptedDialogs::AskChoice(const QString& text, const QStringList& buttons, int escapeButton) {
  Record({ShownBox::Kind::Choice, text, {}, Icon::None, buttons.join(QLatin1Char('|'))});
  if (choices_.empty()) {
    Unscripted("choice", text);
    return escapeButton;
  }
  const int answer = choices_.front();
  choices_.pop_front();
  return answer;
}

QString ScriptedDialogs::InputBox(const QString& prompt, const QString& title,
                                  const QString& defaultAnswer) {
  Record({ShownBox::Kind::Input, prompt, title, Icon::None, defaultAnswer});
  if (input_.empty()) {
    Unscripted("input prompt", prompt);
    return {};
  }
  const QString answer = input_.front();
  input_.pop_front();
  return answer;
}

QString ScriptedDialogs::OpenFiles(const QString& title, const QString& filter) {
  Record({ShownBox::Kind::OpenFiles, title, title, Icon::None, filter});
  if (openFiles_.empty()) {
    Unscripted("file-open dialog", title);
    return {};
  }
  const Result result = openFiles_.front();
  openFiles_.pop_front();
  if (result.error) throw *result.error;
  return result.text;
}

QString ScriptedDialogs::SaveFile(const QString& title, const QString& filter, const QString& suggestedPath) {
  static_cast<void>(filter);
  Record({ShownBox::Kind::SaveFile, title, title, Icon::None, suggestedPath});
  if (saveFiles_.empty()) {
    Unscripted("save dialog", title);
    return {};
  }
  const QString path = saveFiles_.front();
  saveFiles_.pop_front();
  return path;
}

QString ScriptedDialogs::BrowseForFolder(QWidget*, const QString& title, const QString& startFolder) {
  Record({ShownBox::Kind::BrowseForFolder, title, title, Icon::None, startFolder});
  if (folders_.empty()) {
    Unscripted("folder picker", title);
    return {};
  }
  const QString folder = folders_.front();
  folders_.pop_front();
  return folder;
}
