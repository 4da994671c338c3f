// The window-wide pointer: the move handlers' rules, the busy guard, and the cursor each
// setting puts over the window and its controls.
#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QGroupBox>
#include <gtest/gtest.h>

#include "filelist/file_list.h"
#include "support/form_fixture.h"

namespace {
TEST(PointerHandlers, ButtonsShowTheHandAndTheRestTheArrow) {
  FormFixture f;
  Form1& form = f.form();
  using Handler = void (Form1::*)();
  for (Handler button : {&Form1::PushButton1_MouseMove, &Form1::PushButton2_MouseMove,
                         &Form1::PushButton4_MouseMove, &Form1::PushButton6_MouseMove,
                         &Form1::PushButton7_MouseMove, &Form1::PushButton9_MouseMove}) {
    for (Handler plain : {&Form1::Form_MouseMove, &Form1::Frame3_MouseMove, &Form1::Frame5_MouseMove,
                          &Form1::Text1_MouseMove}) {
      (form.*button)();
      EXPECT_EQ(form.MousePointer(), WindowPointer::Hand);
      (form.*plain)();
      EXPECT_EQ(form.MousePointer(), WindowPointer::Default);
    }
  }
}

TEST(PointerHandlers, NothingChangesTheHourglass) {
  FormFixture f;
  Form1& form = f.form();
  form.SetMousePointer(WindowPointer::Hourglass);
  form.PushButton2_MouseMove();
  form.Frame5_MouseMove();
  form.Form_MouseMove();
  EXPECT_EQ(form.MousePointer(), WindowPointer::Hourglass);
  EXPECT_TRUE(form.IsBusy());
}

TEST(WindowPointer, BusyCoversEveryControlAndTheArrowRestoresTheirOwn) {
  FormFixture f;
  Form1& form = f.form();
  const Qt::CursorShape textOwn = form.Text1->cursor().shape();
  form.SetMousePointer(WindowPointer::Hourglass);
  for (QWidget* w : std::initializer_list<QWidget*>{&form, form.Text1, form.PushButton2, form.Frame3,
                                                    form.ListView1->viewport()})
    EXPECT_EQ(w->cursor().shape(), Qt::WaitCursor) << w->objectName().toStdString();
  form.SetMousePointer(WindowPointer::Default);
  EXPECT_EQ(form.Text1->cursor().shape(), textOwn);
  EXPECT_EQ(form.PushButton2->cursor().shape(), Qt::ArrowCursor);
  EXPECT_FALSE(form.PushButton2->testAttribute(Qt::WA_SetCursor));
}

TEST(WindowPointer, TheHandIsTheLoadedImageOrTheArrow) {
  FormFixture f;
  Form1& form = f.form();
  form.SetMousePointer(WindowPointer::Hand);
  EXPECT_EQ(form.PushButton1->cursor().shape(), Qt::ArrowCursor);
  QPixmap hand(32, 32);
  hand.fill(Qt::black);
  form.SetMouseIcon(QCursor(hand, 6, 1));
  EXPECT_EQ(form.PushButton1->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(form.PushButton1->cursor().hotSpot(), QPoint(6, 1));
  form.SetMousePointer(WindowPointer::Default);
  EXPECT_NE(form.PushButton1->cursor().shape(), Qt::BitmapCursor);
}

TEST(WindowPointer, MovesOverControlsReachTheirHandlers) {
  FormFixture f;
  Form1& form = f.form();
  form.show();
  auto move = [](QWidget* w) {
    QMouseEvent event(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
  };
  move(form.PushButton7);
  EXPECT_EQ(form.MousePointer(), WindowPointer::Hand);
  move(form.Frame5);
  EXPECT_EQ(form.MousePointer(), WindowPointer::Default);
  move(form.PushButton9);
  EXPECT_EQ(form.MousePointer(), WindowPointer::Hand);
  move(form.Text1);
  EXPECT_EQ(form.MousePointer(), WindowPointer::Default);
  move(form.PushButton1);
  move(&form);
  EXPECT_EQ(form.MousePointer(), WindowPointer::Default);
}
}  // namespace
