// QtDialogs: the message boxes (plain, with a check box, with details), the Yes/No and
// several-button questions and the text-input prompt. Boxes without a caption of their own
// carry the application title; CR, LF and CR LF each break a line, and a long path may break
// at its separators.
#include "platform/qt_dialogs.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "platform/window_titles.h"
#include "platform/wrap_points.h"

namespace {
QString WithLineBreaks(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QString CaptionOrTitle(const QString& caption) {
  return caption.isEmpty() ? ApplicationTitleText() : caption;
}

QMessageBox::Icon ToQt(Dialogs::Icon icon) {
  switch (icon) {
    case Dialogs::Icon::Exclamation: return QMessageBox::Warning;
    case Dialogs::Icon::Question: return QMessageBox::Question;
    case Dialogs::Icon::None: break;
  }
  return QMessageBox::NoIcon;
}
}  // namespace

void QtDialogs::ShowMessage(const QString& text, const QString& caption, Icon icon) {
  // Long paths wrap at their separators instead of widening the box past the screen.
  QMessageBox box(ToQt(icon), CaptionOrTitle(caption), WithWrapPoints(WithLineBreaks(text)), QMessageBox::Ok,
                  owner_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtDialogs::AskYesNo(const QString& text, bool defaultYes) {
  QMessageBox box(QMessageBox::NoIcon, CaptionOrTitle({}), WithLineBreaks(text),
                  QMessageBox::Yes | QMessageBox::No, owner_);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::InputBox(const QString& prompt, const QString& title, const QString& defaultAnswer) {
  QInputDialog dialog(owner_);
  dialog.setWindowTitle(CaptionOrTitle(title));
  dialog.setLabelText(WithLineBreaks(prompt));
  dialog.setTextValue(defaultAnswer);
  dialog.setInputMode(QInputDialog::TextInput);
  return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

bool QtDialogs::ShowMessageWithCheckBox(const QString& text, const QString& checkBoxText) {
  QMessageBox box(QMessageBox::NoIcon, CaptionOrTitle({}), WithWrapPoints(WithLineBreaks(text)), QMessageBox::Ok,
                  owner_);
  box.setTextFormat(Qt::PlainText);
  auto* check = new QCheckBox(checkBoxText, &box);
  box.setCheckBox(check);
  box.exec();
  return check->isChecked();
}

int QtDialogs::AskChoice(const QString& text, const QStringList& buttons, int escapeButton) {
  QMessageBox box(QMessageBox::Question, CaptionOrTitle({}), WithWrapPoints(WithLineBreaks(text)), QMessageBox::NoButton,
                  owner_);
  box.setTextFormat(Qt::PlainText);
  std::vector<QAbstractButton*> added;
  for (const QString& caption : buttons) added.push_back(box.addButton(caption, QMessageBox::ActionRole));
  // Enter answers like Escape: the safe answer is never taken by a stray key press.
  if (escapeButton >= 0 && escapeButton < static_cast<int>(added.size())) {
    auto* safe = static_cast<QPushButton*>(added[static_cast<size_t>(escapeButton)]);
    box.setEscapeButton(safe);
    box.setDefaultButton(safe);
  }
  box.exec();
  const auto pressed = std::find(added.begin(), added.end(), box.clickedButton());
  return pressed == added.end() ? escapeButton : static_cast<int>(pressed - added.begin());
}
