// The Qt message box, question and input prompt, driven on the offscreen screen: captions
// fall back to the application title, CR, LF and CR LF each break a line, and the answers
// come back as the interface promises.
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "platform/qt_dialogs.h"
#include "platform/window_titles.h"
#include "platform/wrap_points.h"

namespace {
// Runs once the next modal dialog is up, then the test body goes on.
void WhenModalShows(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      ADD_FAILURE() << "no modal dialog was shown";
      return;
    }
    act(modal);
  });
}

class QtMessageBoxes : public ::testing::Test {
 protected:
  void SetUp() override { SetApplicationTitleText(QStringLiteral("Lorvane")); }
  QtDialogs dialogs;
};

TEST_F(QtMessageBoxes, MessageShowsTextWithLineBreaksAndTheTitleAsDefaultCaption) {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  WhenModalShows([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.ShowMessage(QStringLiteral("a\r\nb\rc\nd <b>e</b>"), QString(), Dialogs::Icon::None);
  EXPECT_EQ(title, QStringLiteral("Lorvane"));
  EXPECT_EQ(text, QStringLiteral("a\nb\nc\nd <b>e</b>"));
  EXPECT_EQ(icon, QMessageBox::NoIcon);

  WhenModalShows([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    title = box->windowTitle();
    icon = box->icon();
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.ShowMessage(QStringLiteral("x"), QStringLiteral("Application Error"), Dialogs::Icon::Exclamation);
  EXPECT_EQ(title, QStringLiteral("Application Error"));
  EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST(WrapPoints, OnlyLongRunsGetBreakPointsAfterSeparatorsOrEveryFewCharacters) {
  const QChar z(0x200B);
  EXPECT_EQ(WithWrapPoints("Failed to convert: /home/u/a.msg"), "Failed to convert: /home/u/a.msg");
  EXPECT_EQ(WithWrapPoints("x /abc/def/ghi.msg y", 10), QString("x /") + z + "abc/" + z + "def/" + z + "ghi.msg y");
  EXPECT_EQ(WithWrapPoints(QString(25, u'n'), 10), QString(10, u'n') + z + QString(10, u'n') + z + QString(5, u'n'));
  // A character outside the basic plane is never split.
  const QString emoji = QString::fromUtf8("😀");
  EXPECT_EQ(WithWrapPoints("aaa" + emoji + "bbbb", 4), "aaa" + emoji + z + "bbbb");
  EXPECT_EQ(WithWrapPoints("line one\nline two"), "line one\nline two");
}

TEST_F(QtMessageBoxes, ALongPathWrapsInsteadOfWideningTheBox) {
  QString path;
  for (int level = 0; level < 12; ++level) path += QStringLiteral("/a rather long folder name %1").arg(level);
  path.replace(u' ', u'_');
  path += "/message.msg";
  int width = 0;
  QString shown;
  WhenModalShows([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    width = box->width();
    shown = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.ShowMessage("Failed to convert: " + path, QString(), Dialogs::Icon::None);
  EXPECT_LE(width, 600);
  EXPECT_EQ(shown.remove(QChar(0x200B)), "Failed to convert: " + path);
}

TEST_F(QtMessageBoxes, YesNoAnswers) {
  for (bool yes : {true, false}) {
    WhenModalShows([yes](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->windowTitle(), QStringLiteral("Lorvane"));
      box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    EXPECT_EQ(dialogs.AskYesNo(QStringLiteral("Open the folder?")), yes);
  }
}

TEST_F(QtMessageBoxes, InputBoxGivesTheTextOnOkAndEmptyOnCancel) {
  WhenModalShows([](QWidget* w) {
    auto* input = qobject_cast<QInputDialog*>(w);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->windowTitle(), QStringLiteral("Lorvane"));
    EXPECT_EQ(input->textValue(), QStringLiteral("msg"));
    input->setTextValue(QStringLiteral("txt"));
    input->accept();
  });
  EXPECT_EQ(dialogs.InputBox(QStringLiteral("Extension?"), QString(), QStringLiteral("msg")), QStringLiteral("txt"));
  WhenModalShows([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  EXPECT_EQ(dialogs.InputBox(QStringLiteral("Extension?"), QStringLiteral("Own"), QStringLiteral("msg")), QString());
}
}  // namespace
