// The three editing actions and their guards: nothing happens on an empty list, without a
// selection, or while the window is busy.
#include <QPushButton>
#include <gtest/gtest.h>

#include "filelist/file_list.h"
#include "support/form_fixture.h"

namespace {
class ListEditing : public ::testing::Test {
 protected:
  void Fill(int rows) {
    for (int i = 1; i <= rows; ++i) list().Append(QStringLiteral("/m/%1.msg").arg(i));
  }
  FileListView& list() { return *f.form().ListView1; }
  FormFixture f;
};

TEST_F(ListEditing, DeleteAndDoubleClickRemoveOnlyTheSelectedRow) {
  Fill(4);
  list().Select(2);
  f.form().ListView1_KeyDown(46, 0);
  ASSERT_EQ(list().Count(), 3);
  EXPECT_EQ(list().Text(2), QStringLiteral("/m/3.msg"));
  list().Select(3);
  f.form().ListView1_DblClick();
  ASSERT_EQ(list().Count(), 2);
  EXPECT_EQ(list().Text(1), QStringLiteral("/m/1.msg"));
  EXPECT_EQ(list().Text(2), QStringLiteral("/m/3.msg"));
  EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST_F(ListEditing, ShiftStateIsIgnoredAndOtherKeysDoNothing) {
  Fill(3);
  list().Select(1);
  for (int key : {8, 45, 13, 27, 68, 0, 0x2E00, -46}) f.form().ListView1_KeyDown(key, 0);
  EXPECT_EQ(list().Count(), 3);
  f.form().ListView1_KeyDown(46, 1);
  list().Select(1);
  f.form().ListView1_KeyDown(46, 2 | 4);
  EXPECT_EQ(list().Count(), 1);
}

TEST_F(ListEditing, NothingHappensOnAnEmptyListOrWithoutASelection) {
  f.form().ListView1_KeyDown(46, 0);
  f.form().ListView1_DblClick();
  Fill(2);
  f.form().ListView1_KeyDown(46, 0);
  f.form().ListView1_DblClick();
  EXPECT_EQ(list().Count(), 2);
  f.form().PushButton6_Click();  // clearing an empty-or-not list shows nothing
  EXPECT_EQ(list().Count(), 0);
  f.form().PushButton6_Click();
  EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST_F(ListEditing, EveryEditingActionIsRefusedWhileBusy) {
  Fill(3);
  list().Select(2);
  f.form().SetMousePointer(WindowPointer::Hourglass);
  f.form().ListView1_KeyDown(46, 0);
  f.form().ListView1_DblClick();
  f.form().PushButton6_Click();
  f.form().PushButton6->click();
  EXPECT_EQ(list().Count(), 3);
  // The hand is not busy: the actions work again.
  f.form().SetMousePointer(WindowPointer::Hand);
  f.form().ListView1_KeyDown(46, 0);
  EXPECT_EQ(list().Count(), 2);
  f.form().PushButton6->click();
  EXPECT_EQ(list().Count(), 0);
  EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST_F(ListEditing, ClearListButtonEmptiesTheListOfManyRows) {
  Fill(1000);
  list().Select(500);
  f.form().PushButton6->click();
  EXPECT_EQ(list().Count(), 0);
  EXPECT_EQ(list().SelectedPosition(), 0);
}
}  // namespace
