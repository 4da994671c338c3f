// ListView1's operations as the other parts use them: positions from 1, repeats kept,
// removal closing the gap, exact ListContains, row references (on a list of its own under
// Qt's model tester), and the translation of the view's key and mouse events into the
// window's handlers.
#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "filelist/file_list.h"
#include "filelist/path_elision.h"
#include "platform/app_error.h"
#include "support/form_fixture.h"

namespace {
void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QCoreApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QCoreApplication::sendEvent(w, &release);
}

void Mouse(QWidget* w, QEvent::Type type, const QPoint& at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, held, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}

FileListView& Filled(FormFixture& f, std::initializer_list<const char*> paths) {
  FileListView& list = *f.form().ListView1;
  for (const char* p : paths) list.Append(QString::fromUtf8(p));
  return list;
}

// A list on its own whose model runs under Qt's model tester, which ends the test program
// at the first broken promise of the model (a row count or signal out of step).
struct CheckedList {
  explicit CheckedList(std::initializer_list<const char*> paths) {
    for (const char* p : paths) list.Append(QString::fromUtf8(p));
  }
  FileListView list;
  QAbstractItemModelTester tester{list.FileModel(), QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST(FileList, AppendKeepsOrderAndRepeatsAndSelectsNothing) {
  CheckedList checked{"/m/a.msg", "/m/b.msg", "/m/a.msg"};
  FileListView& list = checked.list;
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Text(1), QStringLiteral("/m/a.msg"));
  EXPECT_EQ(list.Text(2), QStringLiteral("/m/b.msg"));
  EXPECT_EQ(list.Text(3), QStringLiteral("/m/a.msg"));
  EXPECT_EQ(list.SelectedPosition(), 0);
}

TEST(FileList, TheHeadingCountsTheQueuedRows) {
  CheckedList checked{"1", "2", "3"};
  FileListView& list = checked.list;
  list.AddColumn(QStringLiteral("MSG File(s)"));
  auto heading = [&list] { return list.model()->headerData(0, Qt::Horizontal).toString(); };
  EXPECT_EQ(heading(), QStringLiteral("MSG File(s) (3 queued)"));
  int told = 0;
  QObject::connect(list.model(), &QAbstractItemModel::headerDataChanged, [&told] { ++told; });
  list.Remove(2);
  EXPECT_EQ(heading(), QStringLiteral("MSG File(s) (2 queued)"));
  list.Append(QStringLiteral("4"));
  list.Clear();
  EXPECT_EQ(heading(), QStringLiteral("MSG File(s)"));
  EXPECT_EQ(told, 3) << "the heading is repainted at every change of the count";
}

TEST(FileList, RemovingTheFirstOfThreeMovesTheOthersUp) {
  CheckedList checked{"1", "2", "3"};
  FileListView& list = checked.list;
  list.Remove(1);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Text(1), QStringLiteral("2"));
  EXPECT_EQ(list.Text(2), QStringLiteral("3"));
}

// A row's root goes with it: a new text keeps it, a trade moves it with the path, removing a
// row removes its root.
TEST(FileList, RowsKeepTheirRootsThroughEdits) {
  FileListView list;
  list.Append(QStringLiteral("/m/a/1.msg"), QStringLiteral("/m"));
  list.Append(QStringLiteral("/x/2.msg"));
  list.Append(QStringLiteral("/n/3.msg"), QStringLiteral("/n"));
  list.SetText(1, QStringLiteral("/m/a/one.msg"));
  EXPECT_EQ(list.Root(1), QStringLiteral("/m"));
  list.SwapRows(1, 2);
  EXPECT_EQ(list.Text(1), QStringLiteral("/x/2.msg"));
  EXPECT_EQ(list.Root(1), QString());
  EXPECT_EQ(list.Text(2), QStringLiteral("/m/a/one.msg"));
  EXPECT_EQ(list.Root(2), QStringLiteral("/m"));
  list.Remove(1);
  EXPECT_EQ(list.Root(1), QStringLiteral("/m"));
  EXPECT_EQ(list.Root(2), QStringLiteral("/n"));
  EXPECT_THROW(list.Root(3), AppError);
  EXPECT_THROW(list.SwapRows(1, 3), AppError);
}

TEST(FileList, SetTextSelectHitTestAndClear) {
  CheckedList checked{"a", "b", "c"};
  FileListView& list = checked.list;
  list.SetText(2, QStringLiteral("B"));
  EXPECT_EQ(list.Text(2), QStringLiteral("B"));
  list.Select(3);
  EXPECT_EQ(list.SelectedPosition(), 3);
  list.show();
  const QRect second = list.visualRect(list.model()->index(1, 0));
  EXPECT_EQ(list.HitTest(second.center()), 2);
  EXPECT_EQ(list.HitTest(QPoint(5, list.viewport()->height() - 2)), 0);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.SelectedPosition(), 0);
}

// Positions outside 1..Count() fail cleanly instead of reaching past the rows: a handler
// that kept a position while the list was emptied under it gets an error, not a crash.
TEST(FileList, PositionsOutsideTheListFailAsIndexOutOfBounds) {
  CheckedList checked{"a", "b"};
  FileListView& list = checked.list;
  for (int bad : {0, -1, 3, 1 << 30}) {
    EXPECT_THROW(list.Text(bad), AppError) << bad;
    EXPECT_THROW(list.SetText(bad, QStringLiteral("x")), AppError) << bad;
    EXPECT_THROW(list.Remove(bad), AppError) << bad;
  }
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Text(2), QStringLiteral("b"));
  list.Clear();
  EXPECT_THROW(list.Text(1), AppError);
}

TEST(FileList, ListContainsIsExactAndCaseSensitive) {
  CheckedList checked{"C:\\Mail\\A.msg"};
  FileListView& list = checked.list;
  EXPECT_TRUE(list.ListContains(QStringLiteral("C:\\Mail\\A.msg")));
  EXPECT_FALSE(list.ListContains(QStringLiteral("c:\\mail\\a.msg")));
  EXPECT_FALSE(list.ListContains(QStringLiteral("C:\\Mail\\A.msg ")));
  EXPECT_FALSE(list.ListContains(QStringLiteral("C:\\Mail")));
  list.Clear();
  EXPECT_FALSE(list.ListContains(QString()));
}

TEST(FileList, RowReferencesFollowTheirRowAndDieWithIt) {
  CheckedList checked{"a", "b", "c"};
  FileListView& list = checked.list;
  const QPersistentModelIndex c = list.RowRef(3);
  const QPersistentModelIndex a = list.RowRef(1);
  list.Remove(1);
  EXPECT_EQ(list.PositionOf(c), 2);
  EXPECT_EQ(list.PositionOf(a), 0);
  EXPECT_EQ(list.PositionOf(QPersistentModelIndex()), 0);
  list.Clear();
  EXPECT_EQ(list.PositionOf(c), 0);
}

TEST(PathElision, LongPathsGiveWayInTheFolderPartSoTheFileNameShows) {
  const QFontMetrics metrics{QFont()};
  const QString path = "/home/u/Mail/" + QString(60, u'f') + "/Re: figures.msg";
  EXPECT_EQ(ElidePath(path, u'/', metrics, 10000), path);
  const QString shown = ElidePath(path, u'/', metrics, 250);
  EXPECT_LE(metrics.horizontalAdvance(shown), 250);
  EXPECT_TRUE(shown.startsWith("/home/u/") && shown.endsWith(QString(QChar(0x2026)) + "/Re: figures.msg"));
  // A name too long for the room gives way in its own middle, after "…".
  EXPECT_TRUE(ElidePath("/m/" + QString(80, u'n') + "-end.msg", u'/', metrics, 150).startsWith(QChar(0x2026)));
}

TEST(PathElision, TheListDrawsRowsShortenedAndKeepsAndTipsTheFullPath) {
  struct Exposed : PathElidingDelegate {
    using PathElidingDelegate::initStyleOption;
  } delegate;
  FormFixture f;
  f.Load();
  FileListView& list = *f.form().ListView1;
  const QString path = "/srv/" + QString(150, u'd') + "/Budget 2021.msg";
  list.Append(path);
  const QModelIndex index = list.model()->index(0, 0);
  EXPECT_TRUE(index.data(Qt::ToolTipRole).toString() == path && list.Text(1) == path);
  QStyleOptionViewItem option;
  option.initFrom(&list);
  option.widget = &list;
  option.rect = list.visualRect(index);
  delegate.initStyleOption(&option, index);
  EXPECT_TRUE(option.text.endsWith(QString(QChar(0x2026)) + "/Budget 2021.msg")) << option.text.toStdString();
  EXPECT_LE(option.fontMetrics.horizontalAdvance(option.text), list.columnWidth(0));
}

TEST(FileListEvents, DeleteKeyWithAnyModifierRemovesTheSelectedRow) {
  FormFixture f;
  FileListView& list = Filled(f, {"a", "b", "c", "d"});
  f.form().show();
  list.Select(2);
  Key(&list, Qt::Key_Delete);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Text(2), QStringLiteral("c"));
  list.Select(1);
  Key(&list, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(list.Text(1), QStringLiteral("c"));
  list.Select(1);
  Key(&list, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(list.Count(), 1);
  list.Select(1);
  Key(&list, Qt::Key_Backspace);
  Key(&list, Qt::Key_D);
  EXPECT_EQ(list.Count(), 1);
}

TEST(FileListEvents, DoubleClickOnARowRemovesThatRow) {
  FormFixture f;
  FileListView& list = Filled(f, {"a", "b", "c"});
  f.form().show();
  const QPoint onB = list.visualRect(list.model()->index(1, 0)).center();
  Mouse(list.viewport(), QEvent::MouseButtonPress, onB);
  Mouse(list.viewport(), QEvent::MouseButtonRelease, onB);
  Mouse(list.viewport(), QEvent::MouseButtonDblClick, onB);
  Mouse(list.viewport(), QEvent::MouseButtonRelease, onB);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Text(1), QStringLiteral("a"));
  EXPECT_EQ(list.Text(2), QStringLiteral("c"));
}
}  // namespace
