// A handler without an error trap that fails (here: the pointer position cannot be read
// during a row drag) shows the failure in a plain box; the exception never reaches Qt's
// event loop, which would end the program.
#include <QDir>
#include <QFile>
#include <QApplication>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "filelist/file_list.h"
#include "support/form_fixture.h"

namespace {
// The list's own events reach the window's handlers through the same guard: a row drag
// whose pointer position cannot be read is told, and the list keeps working.
TEST(UntrappedHandlers, TheListsEventsAreGuardedToo) {
  FormFixture f;
  Form1Services services = f.form().services();
  services.cursorPos = []() -> QPoint { throw AppError(QStringLiteral("Pointer lost"), 5); };
  Form1 form(services);
  FileListView& list = *form.ListView1;
  for (int i = 1; i <= 3; ++i) list.Append(QStringLiteral("/m/%1.msg").arg(i));
  form.show();
  QApplication::processEvents();

  list.Select(1);
  emit list.MouseDown();
  emit list.ItemClick(1);
  emit list.MouseMove(list.visualRect(list.RowRef(2)).center());
  EXPECT_EQ(list.Text(2), QStringLiteral("/m/1.msg"));
  ASSERT_EQ(f.dialogs.Messages(), std::vector<QString>{QStringLiteral("Pointer lost")});

  emit list.MouseUp();
  emit list.DoubleClick();
  EXPECT_EQ(list.Count(), 2);
}
}  // namespace
