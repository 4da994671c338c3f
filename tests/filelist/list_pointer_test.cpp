// Tests of reordering rows by dragging them with the mouse button held, through the handlers
// and through real mouse events on the list, also while the window is busy.
#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "support/list_helpers.h"
#include "support/form_fixture.h"

namespace {

class ListPointerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 1; i <= 6; ++i) list_.Append(QStringLiteral("/mail/%1.msg").arg(i));
    fx_.form().show();
    QApplication::processEvents();
  }
  QPoint Centre(int position) const { return list_.visualRect(list_.RowRef(position)).center(); }
  void Press(int position) {
    list_.Select(position);
    fx_.form().ListView1_MouseDown();
    fx_.form().ListView1_ItemClick(position);
  }
  void MoveTo(int position) { fx_.form().ListView1_MouseMove(Centre(position)); }

  FormFixture fx_;
  FileListView& list_ = *fx_.form().ListView1;
};

TEST_F(ListPointerTest, DraggingRowTwoOntoRowFiveTradesOnlyThoseTwo) {
  Press(2);
  MoveTo(5);
  EXPECT_EQ(Rows(list_), (QStringList{"/mail/1.msg", "/mail/5.msg", "/mail/3.msg", "/mail/4.msg", "/mail/2.msg",
                                      "/mail/6.msg"}));
  EXPECT_EQ(list_.SelectedPosition(), 5);
  EXPECT_EQ(list_.PositionOf(fx_.form().rowDrag.DragItem), 5);
  EXPECT_FALSE(fx_.form().rowDrag.HitItem.isValid());
  // The dragged path keeps travelling with the pointer.
  MoveTo(6);
  EXPECT_EQ(list_.Text(6), "/mail/2.msg");
  EXPECT_EQ(list_.Text(5), "/mail/6.msg");
}

TEST_F(ListPointerTest, MovingOverTheCarriedRowARowWithTheSameTextOrNoRowChangesNothing) {
  list_.SetText(4, "/mail/2.msg");
  const QStringList before = Rows(list_);
  Press(2);
  MoveTo(2);
  MoveTo(4);
  fx_.form().ListView1_MouseMove(QPoint(5, list_.viewport()->height() - 2));
  EXPECT_EQ(Rows(list_), before);
}

TEST_F(ListPointerTest, WithoutTheButtonHeldNothingMoves) {
  const QStringList before = Rows(list_);
  Press(2);
  fx_.form().ListView1_MouseUp();
  MoveTo(5);
  EXPECT_EQ(Rows(list_), before);
  EXPECT_EQ(list_.PositionOf(fx_.form().rowDrag.DragItem), 2);  // kept after the button comes up
}

TEST_F(ListPointerTest, ARemovedDragRowCountsAsNone) {
  Press(2);
  list_.Remove(2);
  const QStringList before = Rows(list_);
  MoveTo(4);
  EXPECT_EQ(Rows(list_), before);
}

TEST_F(ListPointerTest, MovingResetsTheWindowPointerButLeavesTheHourglass) {
  fx_.form().SetMousePointer(WindowPointer::Hand);
  MoveTo(3);
  EXPECT_EQ(fx_.form().MousePointer(), WindowPointer::Default);
  fx_.form().SetMousePointer(WindowPointer::Hourglass);
  Press(1);
  MoveTo(3);
  EXPECT_EQ(fx_.form().MousePointer(), WindowPointer::Hourglass);
}

TEST_F(ListPointerTest, TheListShowsTheDragPointerFromTheApplicationFolderUntilTheButtonComesUp) {
  Press(1);
  EXPECT_NE(list_.viewport()->cursor().shape(), Qt::BitmapCursor);  // no drag.ico: standard pointer
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::black);
  ASSERT_TRUE(image.save(fx_.AppPath("drag.ico"), "ICO"));
  Press(1);
  EXPECT_EQ(list_.viewport()->cursor().shape(), Qt::BitmapCursor);
  fx_.form().ListView1_MouseUp();
  EXPECT_EQ(list_.viewport()->cursor().shape(), Qt::ArrowCursor);
}

class ListScrollTest : public ListPointerTest {
 protected:
  void SetUp() override {
    for (int i = 1; i <= 200; ++i) list_.Append(QStringLiteral("/mail/%1.msg").arg(i));
    fx_.form().show();
    QApplication::processEvents();
  }
  int Top() const { return list_.verticalScrollBar()->value(); }
  // The last row shown whole.
  int Bottom() const {
    int position = list_.HitTest(QPoint(5, list_.viewport()->height() - 1));
    while (position > 1 && list_.visualRect(list_.RowRef(position)).bottom() >= list_.viewport()->height()) --position;
    return position;
  }
};

TEST_F(ListScrollTest, ATradeHighOnTheScreenBringsTheRowAboveIntoView) {
  list_.scrollTo(list_.RowRef(100), QAbstractItemView::PositionAtTop);
  const int top = list_.HitTest(QPoint(5, 1));
  ASSERT_GT(top, 1);
  fx_.cursorPos = QPoint(400, 304);
  Press(top + 1);
  MoveTo(top);
  EXPECT_EQ(list_.Text(top), QStringLiteral("/mail/%1.msg").arg(top + 1));
  EXPECT_EQ(list_.HitTest(QPoint(5, 1)), top - 1);
}

TEST_F(ListScrollTest, ATradeLowOnTheScreenBringsTheRowBelowIntoView) {
  const int bottom = Bottom();
  ASSERT_GT(bottom, 1);
  fx_.cursorPos = QPoint(400, 365);
  Press(bottom - 1);
  MoveTo(bottom);
  EXPECT_GT(Top(), 0);
  EXPECT_EQ(Bottom(), bottom + 1);
}

TEST_F(ListScrollTest, NoTradeOrAMiddleHeightDoesNotScroll) {
  const int bottom = Bottom();
  fx_.cursorPos = QPoint(400, 335);
  Press(bottom - 1);
  MoveTo(bottom);
  EXPECT_EQ(Top(), 0);
  fx_.cursorPos = QPoint(400, 364);
  MoveTo(bottom - 1);
  EXPECT_EQ(Top(), 0);
  fx_.cursorPos = QPoint(400, 0);
  Press(1);
  list_.SetText(2, list_.Text(1));
  MoveTo(2);  // same text: no trade, no scroll
  EXPECT_EQ(Top(), 0);
}

}  // namespace

// The real mouse path: press, move and release reach the list widget as Qt events, through
// the list's signals and the window's guard, as a user's hand gives them.
namespace {
class ListMouseTest : public ListPointerTest {
 protected:
  QWidget* Viewport() { return list_.viewport(); }
  void PressAt(const QPoint& at) { QTest::mousePress(Viewport(), Qt::LeftButton, {}, at); }
  void DragTo(const QPoint& at) {
    QMouseEvent move(QEvent::MouseMove, at, Viewport()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(Viewport(), &move);
  }
  void ReleaseAt(const QPoint& at) { QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, at); }
  const QStringList original{"/mail/1.msg", "/mail/2.msg", "/mail/3.msg", "/mail/4.msg", "/mail/5.msg", "/mail/6.msg"};
};

TEST_F(ListMouseTest, PressMoveReleaseTradesTheGrabbedRowAndAPressOnNoRowLetsItGo) {
  PressAt(Centre(2));
  DragTo(Centre(4));
  ReleaseAt(Centre(4));
  EXPECT_EQ(Rows(list_), (QStringList{"/mail/1.msg", "/mail/4.msg", "/mail/3.msg", "/mail/2.msg", "/mail/5.msg",
                                      "/mail/6.msg"}));
  EXPECT_EQ(list_.SelectedPosition(), 4);
  // A press below the last row grabs nothing: moving with the button held moves no row.
  const QStringList before = Rows(list_);
  const QPoint below(5, list_.viewport()->height() - 2);
  ASSERT_EQ(list_.HitTest(below), 0);
  PressAt(below);
  EXPECT_FALSE(fx_.form().rowDrag.DragItem.isValid());
  DragTo(Centre(1));
  ReleaseAt(Centre(1));
  EXPECT_EQ(Rows(list_), before);
}

TEST_F(ListMouseTest, WhileBusyNoRowMovesNoneIsRemovedAndTheListKeepsTheBusyPointer) {
  fx_.form().SetMousePointer(WindowPointer::Hourglass);
  ASSERT_EQ(Viewport()->cursor().shape(), Qt::WaitCursor);
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::black);
  ASSERT_TRUE(image.save(fx_.AppPath("drag.ico"), "ICO"));
  PressAt(Centre(2));
  EXPECT_EQ(Viewport()->cursor().shape(), Qt::WaitCursor);
  DragTo(Centre(5));
  EXPECT_EQ(Viewport()->cursor().shape(), Qt::WaitCursor);
  ReleaseAt(Centre(5));
  EXPECT_EQ(Viewport()->cursor().shape(), Qt::WaitCursor);
  // Delete, a double-click and "Clear List" are refused the same way.
  list_.Select(3);
  QTest::keyClick(&list_, Qt::Key_Delete);
  QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, Centre(3));
  fx_.form().PushButton6->click();
  EXPECT_EQ(Rows(list_), original);
  EXPECT_EQ(fx_.form().MousePointer(), WindowPointer::Hourglass);
}
}  // namespace
