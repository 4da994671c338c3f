// QtDialogs: the message box, the Yes/No question and the text-input prompt. Boxes without a
// caption of their own carry the application title; CR, LF and CR LF each break a line, and
// a long path may break at its separators.
#include "platform/qt_dialogs.h"

#include "platform/window_titles.h"
#include "platform/wrap_points.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

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

bool QtDialogs::AskYesNo(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, CaptionOrTitle({}), WithLineBreaks(text),
                  QMessageBox::Yes | QMessageBox::No, owner_);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
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
