// Tests of adding every file of one extension in a folder tree ("Add All").
#include <gtest/gtest.h>

#include "filelist/add_folder.h"
#include "filelist/list_editing.h"
#include "support/list_helpers.h"
#include "support/memory_file_system.h"
#include "support/temp_tree.h"
#include "support/form_fixture.h"

namespace {

const QString kPrompt = QStringLiteral(
    "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)");

class AddFolderTest : public ::testing::Test {
 protected:
  void Click() { fx_.form().PushButton4_Click(); }
  QStringList RowsUnderTree() const {
    QStringList rows;
    for (const QString& row : Rows(list_)) rows.append(row.mid(TreePath().size() + 1));
    return rows;
  }

  FormFixture fx_;
  FileListView& list_ = *fx_.form().ListView1;
  // Paths in the tree as the list shows them; the tree's folder without an argument.
  QString TreePath(const char* relative = nullptr) const {
    return QString::fromStdString(relative ? tree_.Path(relative) : tree_.Root());
  }
  TempTree tree_;
};

TEST_F(AddFolderTest, AsksForTheExtensionWithTheStoredDefault) {
  fx_.dialogs.AnswerInput(QString());
  Click();
  ASSERT_EQ(fx_.dialogs.shown.size(), 1u);
  EXPECT_EQ(fx_.dialogs.shown[0].kind, ShownBox::Kind::Input);
  EXPECT_EQ(fx_.dialogs.shown[0].text, kPrompt);
  EXPECT_EQ(fx_.dialogs.shown[0].extra, "msg");
}

TEST_F(AddFolderTest, ACancelledPromptStopsAndKeepsTheStoredExtension) {
  fx_.settings.Set("Extension", "doc");
  fx_.dialogs.AnswerInput(QString());
  Click();
  EXPECT_EQ(fx_.dialogs.shown.size(), 1u);
  EXPECT_EQ(fx_.settings.Value("Extension"), "doc");
}

TEST_F(AddFolderTest, ACancelledPickerAddsNothingButTheExtensionIsOfferedNextTime) {
  fx_.settings.Set("LastFolder", "/earlier/pick");
  fx_.dialogs.AnswerInput("txt");
  fx_.dialogs.AnswerFolder(QString());
  Click();
  ASSERT_EQ(fx_.dialogs.shown.size(), 2u);
  EXPECT_EQ(fx_.dialogs.shown[1].kind, ShownBox::Kind::BrowseForFolder);
  EXPECT_EQ(fx_.dialogs.shown[1].caption, "Please select folder:");
  EXPECT_EQ(fx_.dialogs.shown[1].extra, "/earlier/pick");
  EXPECT_EQ(fx_.settings.Value("Extension"), "txt");
  EXPECT_EQ(fx_.settings.Value("LastFolder"), "/earlier/pick");
  EXPECT_EQ(list_.Count(), 0);

  fx_.dialogs.AnswerInput(QString());
  Click();
  EXPECT_EQ(fx_.dialogs.shown[2].extra, "txt");
}

TEST_F(AddFolderTest, AddsMatchingFilesLevelByLevelAndRemembersTheFolder) {
  tree_.File("A/b.msg");
  tree_.File("A/a.MSG");
  tree_.File("A/note.txt");
  tree_.File("A/x/p/deep.msg");
  tree_.File("A/x/c.msg");
  tree_.File("A/y/d.msg");
  tree_.Folder("A/folder.msg");
  fx_.dialogs.AnswerInput("msg");
  fx_.dialogs.AnswerFolder(TreePath("A"));
  Click();
  EXPECT_EQ(RowsUnderTree(), (QStringList{"A/a.MSG", "A/b.msg", "A/x/c.msg", "A/y/d.msg", "A/x/p/deep.msg"}));
  EXPECT_EQ(fx_.settings.Value("LastFolder"), TreePath("A"));
  EXPECT_EQ(fx_.form().MousePointer(), WindowPointer::Default);
  EXPECT_TRUE(fx_.dialogs.Messages().empty());
  // Each row remembers the folder picked, which a run keeps the tree below.
  FileListView& list = *fx_.form().ListView1;
  for (int row = 1; row <= list.Count(); ++row) EXPECT_EQ(list.Root(row), TreePath("A")) << row;
}

TEST_F(AddFolderTest, SkipsTildeFilesAndHiddenArchiveFilesOnly) {
  tree_.File("A/~$draft.msg");
  tree_.File("A/.hidden.msg");     // 34: skipped
  tree_.File("A/.readonly.msg");   // 35: kept
  tree_.Mode("A/.readonly.msg", 0444);
  tree_.File("A/plain.msg");
  fx_.dialogs.AnswerInput("msg");
  fx_.dialogs.AnswerFolder(TreePath("A"));
  Click();
  EXPECT_EQ(RowsUnderTree(), (QStringList{"A/.readonly.msg", "A/plain.msg"}));
}

TEST_F(AddFolderTest, StarAddsEveryFileAndNamesKeepTheirSpacesQuotesAndLetters) {
  const QStringList names = {"no extension", "it's \"quoted\".doc", QString::fromUtf8("письмо – “важное”.msg")};
  for (const QString& name : names) tree_.File(("A/" + name).toStdString());
  fx_.dialogs.AnswerInput("*");
  fx_.dialogs.AnswerFolder(TreePath("A"));
  Click();
  EXPECT_EQ(RowsUnderTree(), (QStringList{"A/" + names[1], "A/" + names[0], "A/" + names[2]}));
}

TEST_F(AddFolderTest, TheSameFolderTwiceAddsEveryFileTwiceAndAnEmptyOneAddsNothing) {
  tree_.File("A/a.msg");
  tree_.Folder("Empty");
  for (const QString& folder : {TreePath("A"), TreePath("A"), TreePath("Empty")}) {
    fx_.dialogs.AnswerInput("msg");
    fx_.dialogs.AnswerFolder(folder);
    Click();
  }
  EXPECT_EQ(RowsUnderTree(), (QStringList{"A/a.msg", "A/a.msg"}));
  EXPECT_TRUE(fx_.dialogs.Messages().empty());
}

TEST_F(AddFolderTest, ALinkBackToTheTopListsEachMessageOnce) {
  tree_.File("A/a.msg");
  tree_.File("A/x/b.msg");
  tree_.Link(".", "A/self");
  tree_.Link("..", "A/x/up");
  fx_.dialogs.AnswerInput("msg");
  fx_.dialogs.AnswerFolder(TreePath("A"));
  Click();
  EXPECT_EQ(RowsUnderTree(), (QStringList{"A/a.msg", "A/x/b.msg"}));
}

// The folder add on its own, over a file system in memory: a list, the scripted boxes, the
// settings and the window's pointer, without a window.
class AddFolderOnMemoryTest : public ::testing::Test {
 protected:
  void Pick(const QString& folder, const FileSystem& fs) {
    dialogs_.AnswerInput("msg");
    dialogs_.AnswerFolder(folder);
    AddAllFilesInFolder(list_, dialogs_, settings_.store(), fs, pointer_, nullptr);
  }
  void Pick(const QString& folder) { Pick(folder, fs_); }
  FileListView list_;
  ScriptedDialogs dialogs_;
  TempSettings settings_;
  PlainPointer pointer_;
  MemoryFileSystem fs_;
};

TEST_F(AddFolderOnMemoryTest, ARootPickGivesSingleSeparators) {
  fs_.AddFile("/a.msg");
  fs_.AddFile("/mail/b.msg");
  Pick("/");
  EXPECT_EQ(Rows(list_), (QStringList{"/a.msg", "/mail/b.msg"}));
  EXPECT_EQ(settings_.Value("LastFolder"), "/");
}

TEST_F(AddFolderOnMemoryTest, TheWindowIsBusyDuringTheScanOnly) {
  fs_.AddFile("/A/x/a.msg");
  QList<WindowPointer> pointers;
  fs_.onListing = [&](const QString&) { pointers.append(pointer_.MousePointer()); };
  Pick("/A");
  ASSERT_FALSE(pointers.isEmpty());
  EXPECT_EQ(pointers, QList<WindowPointer>(pointers.size(), WindowPointer::Hourglass));
  EXPECT_EQ(pointer_.MousePointer(), WindowPointer::Default);
  // An add during a conversion run gives back the run's hourglass, not the default: the
  // run's rows stay closed to Delete and "Clear List".
  pointer_.SetMousePointer(WindowPointer::Hourglass);
  Pick("/A");
  EXPECT_EQ(pointer_.MousePointer(), WindowPointer::Hourglass);
  list_.Select(1);
  RemoveSelectedRowByKey(list_, pointer_, 46);
  ClearList(list_, pointer_, dialogs_);
  EXPECT_EQ(list_.Count(), 2);
}

TEST_F(AddFolderOnMemoryTest, AFolderThatFailsToListIsReportedAndTheOthersStillAdd) {
  fs_.AddFile("/A/a.msg");
  fs_.AddFile("/A/bad/b.msg");
  fs_.AddFile("/A/good/c.msg");
  fs_.onListing = [&](const QString& folder) {
    // The tree walk has listed "bad"; its file listing then fails.
    if (folder == "/A/bad" && fs_.ListingCount("/A/bad") > 0) fs_.RefuseListing("/A/bad", 57);
  };
  Pick("/A");
  EXPECT_EQ(Rows(list_), (QStringList{"/A/a.msg", "/A/good/c.msg"}));
  ASSERT_EQ(dialogs_.ErrorBoxes().size(), 1u);
  EXPECT_TRUE(dialogs_.ErrorBoxes()[0].contains("in Lorvane2021/08/31.Form1.PushButton4_Click at line 122"));
  EXPECT_EQ(pointer_.MousePointer(), WindowPointer::Default);
}

TEST_F(AddFolderOnMemoryTest, AFileThatVanishesBeforeItsAttributesAreReadIsStillAdded) {
  // A listing that names a file the attribute read then cannot find: the failed test counts
  // as held, so the row is added after the error box.
  class Vanishing : public MemoryFileSystem {
   public:
    int Attributes(const QString& path) const override {
      if (path.endsWith("gone.msg")) throw AppError("Path not found", error_number::kPathNotFound);
      return MemoryFileSystem::Attributes(path);
    }
  } fs;
  fs.AddFile("/A/gone.msg");
  Pick("/A", fs);
  EXPECT_EQ(Rows(list_), QStringList{"/A/gone.msg"});
  ASSERT_EQ(dialogs_.ErrorBoxes().size(), 1u);
  EXPECT_TRUE(dialogs_.ErrorBoxes()[0].contains("at line 132"));
}

TEST_F(AddFolderOnMemoryTest, NoListedFolderIsLeftOpenWhenTheScanEnds) {
  // A file system that keeps the folder it listed last open until told to let it go.
  class Keeping : public MemoryFileSystem {
   public:
    QStringList ListFiles(const QString& folder, const QString& pattern) const override {
      held = folder;
      return MemoryFileSystem::ListFiles(folder, pattern);
    }
    void ReleaseKeptFolder() const override { held.clear(); }
    mutable QString held;
  } fs;
  fs.AddFile("/usb/a.msg");
  fs.AddFile("/usb/sub/b.msg");
  Pick("/usb", fs);
  EXPECT_EQ(Rows(list_), (QStringList{"/usb/a.msg", "/usb/sub/b.msg"}));
  EXPECT_TRUE(fs.held.isEmpty()) << fs.held.toStdString();
}

}  // namespace
