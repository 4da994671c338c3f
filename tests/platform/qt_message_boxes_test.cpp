// The Qt message box, question and input prompt, driven on the offscreen screen: captions
// fall back to the application title, CR, LF and CR LF each break a line, and the answers
// come back as the interface promises.
#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTest>
#include <QTimer>
#include <functional>
#include <tuple>
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
  EXPECT_EQ(WithWrapPoints("x /abc/def/ghi.msg", 10), QString("x /") + z + "abc/" + z + "def/" + z + "ghi.msg");
  EXPECT_EQ(WithWrapPoints(QString(15, u'n'), 10), QString(10, u'n') + z + QString(5, u'n'));
  EXPECT_EQ(WithWrapPoints(QString(9, u'a') + QString::fromUtf8("😀b"), 10), QString(9, u'a') + QString::fromUtf8("😀") + z + "b");
}

TEST_F(QtMessageBoxes, ALongPathWrapsInsteadOfWideningTheBox) {
  const QString text = "Failed to convert: " + QString("/a_rather_long_folder_name").repeated(12) + "/message.msg";
  int width = 0;
  QString shown;
  WhenModalShows([&](QWidget* w) {
    width = w->width();
    shown = qobject_cast<QMessageBox*>(w)->text();
    qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
  });
  dialogs.ShowMessage(text, QString(), Dialogs::Icon::None);
  EXPECT_LE(width, 600);
  EXPECT_EQ(shown.remove(QChar(0x200B)), text);
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
  // Enter presses the default button, Yes unless the question makes No its default;
  // Escape always answers No.
  for (const auto& [defaultYes, key, answer] : {std::tuple{true, Qt::Key_Return, true}, std::tuple{false, Qt::Key_Return, false},
                                                std::tuple{true, Qt::Key_Escape, false}}) {
    WhenModalShows([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->defaultButton(), box->button(defaultYes ? QMessageBox::Yes : QMessageBox::No));
      QTest::keyClick(box, key);
    });
    EXPECT_EQ(dialogs.AskYesNo(QStringLiteral("Stop it?"), defaultYes), answer) << defaultYes << " " << key;
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

TEST_F(QtMessageBoxes, TheCheckBoxTheDetailsAndTheChoiceAnswerAsPromised) {
  WhenModalShows([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box->checkBox(), nullptr);
    EXPECT_EQ(box->checkBox()->text(), QStringLiteral("Do not show this again"));
    box->checkBox()->setChecked(true);
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_TRUE(dialogs.ShowMessageWithCheckBox(QStringLiteral("Failed"), QStringLiteral("Do not show this again")));
  // The closing box: with its details open the last of 8 failures is in sight inside the
  // box; "Open Folder" answers true, OK false.
  QString lots;
  for (int i = 1; i <= 8; ++i) lots += QStringLiteral("/mail/%1.msg\r\nThe reason of %1.\r\n\r\n").arg(i);
  lots.chop(4);
  bool lastInSight = false;
  bool insideTheBox = false;
  QString iconName;
  WhenModalShows([&](QWidget* w) {
    auto* area = w->findChild<QPlainTextEdit*>(QStringLiteral("details"));
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->isHidden());
    for (QPushButton* b : w->findChildren<QPushButton*>())
      if (b->text().remove(u'&') == QStringLiteral("Show Details...")) b->click();
    w->adjustSize();
    QApplication::processEvents();
    const QRect last = area->cursorRect(QTextCursor(area->document()->lastBlock()));
    lastInSight = area->viewport()->rect().contains(last);
    insideTheBox = w->rect().contains(QRect(area->mapTo(w, QPoint(0, 0)), area->size()));
    iconName = w->findChild<QLabel*>(QStringLiteral("icon")) ? QStringLiteral("icon") : QString();
    for (QPushButton* b : w->findChildren<QPushButton*>())
      if (b->text() == QStringLiteral("Open Folder")) b->click();
  });
  EXPECT_TRUE(dialogs.ShowMessageWithDetails(QStringLiteral("Done."), lots, Dialogs::Icon::Exclamation,
                                             QStringLiteral("Open Folder")));
  EXPECT_TRUE(lastInSight);
  EXPECT_TRUE(insideTheBox);
  EXPECT_EQ(iconName, QStringLiteral("icon"));
  WhenModalShows([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); });
  EXPECT_FALSE(dialogs.ShowMessageWithDetails(QStringLiteral("Done."), QStringLiteral("/a.msg\r\nwhy"),
                                              Dialogs::Icon::None, QStringLiteral("Open Folder")));

  const QStringList buttons{QStringLiteral("Replace Them"), QStringLiteral("Keep Them"), QStringLiteral("Cancel")};
  WhenModalShows([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    for (QAbstractButton* b : box->buttons())
      if (b->text() == QStringLiteral("Keep Them")) b->click();
  });
  EXPECT_EQ(dialogs.AskChoice(QStringLiteral("Replace?"), buttons, 2), 1);
  // Enter and Escape both give the safe answer.
  WhenModalShows([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); });
  EXPECT_EQ(dialogs.AskChoice(QStringLiteral("Replace?"), buttons, 2), 2);
  WhenModalShows([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  EXPECT_EQ(dialogs.AskChoice(QStringLiteral("Replace?"), buttons, 2), 2);
}
// Two failures with long paths and a long bracketed detail: the lines wrap, so nothing is
// cut at the edge, both failures are in sight at once, and "Save List..." does its work
// while the box stays open.
TEST_F(QtMessageBoxes, TheDetailsWrapLongLinesAndSaveTheListWithTheBoxOpen) {
  const QString path = QStringLiteral("/home/someone/") + QStringLiteral("Correspondence with the supplier 2017/").repeated(4);
  const QString details = path + QStringLiteral("first.msg\r\nThe message file is damaged and cannot be read. (") +
                          QStringLiteral("the compressed body's CRC32 is not the one stored ").repeated(3) +
                          QStringLiteral(")\r\n\r\n") + path + QStringLiteral("second.msg\r\nThe conversion took too long.");
  int saved = 0;
  bool openWhileSaving = false;
  bool wrapped = false;
  bool bothInSight = false;
  WhenModalShows([&](QWidget* w) {
    auto* area = w->findChild<QPlainTextEdit*>(QStringLiteral("details"));
    ASSERT_NE(area, nullptr);
    QPushButton* save = nullptr;
    for (QPushButton* b : w->findChildren<QPushButton*>()) {
      if (b->text().remove(u'&') == QStringLiteral("Show Details...")) b->click();
      if (b->text().remove(u'&') == QStringLiteral("Save List...")) save = b;
    }
    w->adjustSize();
    QApplication::processEvents();
    const QRect view = area->viewport()->rect();
    QTextDocument* document = area->document();
    wrapped = area->horizontalScrollBar()->maximum() == 0 &&
              document->firstBlock().layout()->lineCount() > 1;
    const QRect first = area->cursorRect(QTextCursor(document->firstBlock()));
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    bothInSight = view.contains(first) && view.contains(area->cursorRect(end));
    ASSERT_NE(save, nullptr);
    save->click();
    openWhileSaving = QApplication::activeModalWidget() == w;
    qobject_cast<QDialog*>(w)->accept();
  });
  EXPECT_FALSE(dialogs.ShowMessageWithDetails(QStringLiteral("Done."), details, Dialogs::Icon::Exclamation, {},
                                              [&] { ++saved; }));
  EXPECT_TRUE(wrapped);
  EXPECT_TRUE(bothInSight);
  EXPECT_EQ(saved, 1);
  EXPECT_TRUE(openWhileSaving);
}

}  // namespace
