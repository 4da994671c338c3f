// Tests of dropping files, folders and other data onto the list.
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

#include "support/list_helpers.h"
#include "support/temp_tree.h"
#include "support/form_fixture.h"

namespace {

std::unique_ptr<QMimeData> Files(const QStringList& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
  data->setUrls(urls);
  return data;
}

class DragDropTest : public ::testing::Test {
 protected:
  int DragOver(const QMimeData& data) {
    int effect = 1;
    fx_.form().ListView1_OLEDragOver(&data, effect);
    return effect;
  }
  void Drop(const QStringList& paths) { fx_.form().ListView1_OLEDragDrop(Files(paths).get()); }

  FormFixture fx_;
  FileListView& list_ = *fx_.form().ListView1;
  // Paths in the tree as the list shows them; the tree's folder without an argument.
  QString TreePath(const char* relative = nullptr) const {
    return QString::fromStdString(relative ? tree_.Path(relative) : tree_.Root());
  }
  TempTree tree_;
};

TEST_F(DragDropTest, OnlyLocalFilePathsAreAcceptedDuringTheDrag) {
  QMimeData text;
  text.setText("/some/path.msg");
  EXPECT_EQ(DragOver(text), 0);
  QMimeData web;
  web.setUrls({QUrl("https://example.org/a.msg")});
  EXPECT_EQ(DragOver(web), 0);
  QMimeData mixed;
  mixed.setUrls({QUrl::fromLocalFile("/tmp/a.msg"), QUrl("https://example.org/a.msg")});
  EXPECT_EQ(DragOver(mixed), 0);
  EXPECT_EQ(DragOver(*Files({"/tmp/a.msg", "/tmp/b.txt"})), 1);
}

TEST_F(DragDropTest, TheListItselfAcceptsFileDragsAndRefusesOthers) {
  tree_.File("a.msg");
  QWidget* target = list_.viewport();
  QMimeData text;
  text.setText("plain text");
  QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &refused);
  EXPECT_FALSE(refused.isAccepted());

  const auto files = Files({TreePath("a.msg")});
  QDragEnterEvent accepted(QPoint(5, 5), Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &accepted);
  EXPECT_TRUE(accepted.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  EXPECT_EQ(Rows(list_), QStringList{TreePath("a.msg")});
}

TEST_F(DragDropTest, AShiftDragIsAnsweredAsACopySoTheSourceKeepsItsFiles) {
  tree_.File("a.msg");
  QWidget* target = list_.viewport();
  const auto files = Files({TreePath("a.msg")});
  const Qt::DropActions copyOrMove = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(QPoint(5, 5), copyOrMove, files.get(), Qt::LeftButton, Qt::ShiftModifier);
  ASSERT_EQ(enter.proposedAction(), Qt::MoveAction);
  QApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  QDragMoveEvent move(QPoint(6, 6), copyOrMove, files.get(), Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(target, &move);
  EXPECT_TRUE(move.isAccepted());
  EXPECT_EQ(move.dropAction(), Qt::CopyAction);
  QDropEvent drop(QPointF(6, 6), copyOrMove, files.get(), Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(target, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
  EXPECT_EQ(Rows(list_), QStringList{TreePath("a.msg")});
}

TEST_F(DragDropTest, ASourceThatCannotCopyIsRefused) {
  tree_.File("a.msg");
  QWidget* target = list_.viewport();
  const auto files = Files({TreePath("a.msg")});
  QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, files.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  EXPECT_FALSE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::MoveAction | Qt::LinkAction, files.get(), Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  EXPECT_FALSE(drop.isAccepted());
  EXPECT_TRUE(Rows(list_).isEmpty());
}

TEST_F(DragDropTest, DroppingOtherDataAddsNothing) {
  QMimeData text;
  text.setText("/some/path.msg");
  fx_.form().ListView1_OLEDragDrop(&text);
  fx_.form().ListView1_OLEDragDrop(nullptr);
  EXPECT_EQ(list_.Count(), 0);
}

TEST_F(DragDropTest, DroppedFilesAreAddedAsTheyAreInDropOrder) {
  tree_.File("c.txt");
  tree_.File("a.msg");
  tree_.File("b.doc");
  list_.Append(TreePath("a.msg"));
  Drop({TreePath("c.txt"), TreePath("a.msg"), TreePath() + "//b.doc"});
  EXPECT_EQ(Rows(list_), (QStringList{TreePath("a.msg"), TreePath("c.txt"), TreePath("a.msg"),
                                      TreePath() + "//b.doc"}));
}

TEST_F(DragDropTest, AVanishedPathIsSkipped) {
  tree_.File("here.msg");
  Drop({TreePath("gone.msg"), TreePath("here.msg")});
  EXPECT_EQ(Rows(list_), QStringList{TreePath("here.msg")});
}

TEST_F(DragDropTest, ADroppedFolderAddsEveryFileOfItsTreeWithTheScansFilters) {
  tree_.File("D/b.txt");
  tree_.File("D/a.msg");
  tree_.File("D/~lock.doc");
  tree_.File("D/.hidden.msg");  // hidden + archive: skipped
  tree_.File("D/.ro");          // hidden + read-only + archive: added
  tree_.Mode("D/.ro", 0444);
  tree_.File("D/sub/c");
  tree_.File("D/.hiddenfolder/e.msg");
  Drop({TreePath("D")});
  const QString d = TreePath("D/");
  EXPECT_EQ(Rows(list_), (QStringList{d + ".ro", d + "a.msg", d + "b.txt", d + ".hiddenfolder/e.msg", d + "sub/c"}));
  EXPECT_TRUE(fx_.dialogs.Messages().empty());
}

TEST_F(DragDropTest, TwoFoldersAddTheirFilesOnceEachAndDoubledSeparatorsCollapse) {
  tree_.File("A/a.msg");
  tree_.File("B/b.msg");
  Drop({TreePath() + "//A", TreePath("B/")});
  EXPECT_EQ(Rows(list_), (QStringList{TreePath("A/a.msg"), TreePath("B/b.msg")}));
  // Each row remembers the folder it was dropped with (separators collapsed like its path).
  EXPECT_EQ(list_.Root(1), TreePath("A"));
  EXPECT_EQ(list_.Root(2), TreePath("B/"));
}

// A file dropped by itself, or added one by one, has no root: its document goes into the
// output folder itself.
TEST_F(DragDropTest, ADroppedFileHasNoRoot) {
  tree_.File("D/sub/a.msg");
  tree_.File("b.msg");
  Drop({TreePath("b.msg"), TreePath("D")});
  list_.Append(TreePath("D/sub/a.msg"));
  ASSERT_EQ(list_.Count(), 3);
  EXPECT_EQ(list_.Root(1), QString());
  EXPECT_EQ(list_.Root(2), TreePath("D"));
  EXPECT_EQ(list_.Root(3), QString());
}

TEST_F(DragDropTest, AHiddenFolderIsScannedLikeAnyOther) {
  tree_.File(".config/sub/deeper.msg");
  Drop({TreePath(".config")});
  EXPECT_EQ(Rows(list_), QStringList{TreePath(".config/sub/deeper.msg")});
}

}  // namespace

namespace {

// `lorvane FILE...`: what the program is started with is queued as a drop queues it,
// relative paths taken from the current folder, and folders searched through.
TEST_F(DragDropTest, FilesAndFoldersFromTheCommandLineAreQueuedLikeADrop) {
  tree_.File("one.msg");
  tree_.File("box/two.msg");
  tree_.File("box/deeper/three.msg");
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(TreePath()));
  fx_.form().QueuePaths({QStringLiteral("one.msg"), TreePath("box"),
                         TreePath("missing.msg")});
  QDir::setCurrent(before);
  QStringList rows = Rows(list_);
  rows.sort();
  EXPECT_EQ(rows, QStringList({TreePath("box/deeper/three.msg"),
                               TreePath("box/two.msg"), TreePath("one.msg")}));
  EXPECT_TRUE(fx_.dialogs.shown.empty());
}

}  // namespace
