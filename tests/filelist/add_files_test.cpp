// Tests of adding files through the file-open dialog, and of the dialog's result form.
#include <gtest/gtest.h>

#include "support/list_helpers.h"
#include "platform/open_files_result.h"
#include "support/form_fixture.h"

namespace {

const QString kTooManyFiles = QStringLiteral("You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.");

QString Nul() { return QString(QChar(0)); }

class AddFilesTest : public ::testing::Test {
 protected:
  FormFixture fx_;
  FileListView& list_ = *fx_.form().ListView1;
};

TEST_F(AddFilesTest, ShowsTheDialogWithItsTitleAndFilterAndACancelAddsNothing) {
  fx_.dialogs.AnswerOpenFiles(QString());
  fx_.form().PushButton1_Click();
  ASSERT_EQ(fx_.dialogs.shown.size(), 1u);
  EXPECT_EQ(fx_.dialogs.shown[0].kind, ShownBox::Kind::OpenFiles);
  EXPECT_EQ(fx_.dialogs.shown[0].caption, "Add File(s) - Hold Ctrl to select multiple files");
  EXPECT_EQ(fx_.dialogs.shown[0].extra, "MSG File (*.msg)|*.msg|");
  EXPECT_EQ(list_.Count(), 0);
}

TEST_F(AddFilesTest, OneFileIsAddedExactlyAsReturned) {
  fx_.dialogs.AnswerOpenFiles("/mail//a.msg");
  fx_.form().PushButton1_Click();
  EXPECT_EQ(Rows(list_), QStringList{"/mail//a.msg"});
}

TEST_F(AddFilesTest, SeveralFilesAreJoinedToTheirFolderInTheDialogsOrder) {
  fx_.dialogs.AnswerOpenFiles("/mail" + Nul() + "b.msg" + Nul() + "a.msg");
  fx_.form().PushButton1_Click();
  EXPECT_EQ(Rows(list_), (QStringList{"/mail/b.msg", "/mail/a.msg"}));
  EXPECT_TRUE(fx_.dialogs.Messages().empty());
}

TEST_F(AddFilesTest, FilesInTheRootFolderGetSingleSeparators) {
  fx_.dialogs.AnswerOpenFiles("/" + Nul() + "a.msg" + Nul() + "b.msg");
  fx_.form().PushButton1_Click();
  EXPECT_EQ(Rows(list_), (QStringList{"/a.msg", "/b.msg"}));
}

TEST_F(AddFilesTest, TheSameFileTwiceGivesTwoRows) {
  fx_.dialogs.AnswerOpenFiles("/mail/a.msg");
  fx_.dialogs.AnswerOpenFiles("/mail/a.msg");
  fx_.form().PushButton1_Click();
  fx_.form().PushButton1_Click();
  EXPECT_EQ(Rows(list_), (QStringList{"/mail/a.msg", "/mail/a.msg"}));
}

TEST_F(AddFilesTest, ATooLargeSelectionShowsTheMessageAndAddsNothing) {
  fx_.dialogs.FailOpenFiles(AppError("buffer", error_number::kDialogBufferTooSmall));
  fx_.form().PushButton1_Click();
  ASSERT_EQ(fx_.dialogs.Messages().size(), 1u);
  EXPECT_EQ(fx_.dialogs.Messages()[0], kTooManyFiles);
  EXPECT_TRUE(fx_.dialogs.ErrorBoxes().empty());
  EXPECT_EQ(fx_.dialogs.shown.back().icon, Dialogs::Icon::None);
  EXPECT_TRUE(fx_.dialogs.shown.back().caption.isEmpty());
  EXPECT_EQ(list_.Count(), 0);
}

TEST_F(AddFilesTest, AnyOtherDialogFailureShowsTheErrorBoxAtItsLine) {
  fx_.dialogs.FailOpenFiles(AppError("Dialog broke", error_number::kInvalidArgument));
  fx_.form().PushButton1_Click();
  ASSERT_EQ(fx_.dialogs.ErrorBoxes().size(), 1u);
  EXPECT_TRUE(fx_.dialogs.ErrorBoxes()[0].startsWith("Dialog broke\r\nin Lorvane2021/08/31.Form1.PushButton1_Click at line 112"));
  EXPECT_EQ(list_.Count(), 0);
}

TEST(OpenFilesResultTest, GivesOnePathOrTheFolderAndNames) {
  EXPECT_EQ(OpenFilesResult({}), QString());
  EXPECT_EQ(OpenFilesResult({"/mail/a.msg"}), "/mail/a.msg");
  EXPECT_EQ(OpenFilesResult({"/mail/a.msg", "/mail/b c.msg"}), "/mail" + Nul() + "a.msg" + Nul() + "b c.msg");
  EXPECT_EQ(OpenFilesResult({"/a.msg", "/b.msg"}), "/" + Nul() + "a.msg" + Nul() + "b.msg");
  // A name outside the first file's folder still leads to its file when joined.
  EXPECT_EQ(OpenFilesResult({"/mail/a.msg", "/other/b.msg"}), "/mail" + Nul() + "a.msg" + Nul() + "../other/b.msg");
}

TEST(OpenFilesResultTest, ASelectionBeyondTheCapacityFailsWithTheBufferError) {
  // The folder "/f", then names of 9 characters each with their NUL: 2 + 10n characters.
  const auto selection = [](int count) {
    QStringList paths;
    for (int i = 0; i < count; ++i) paths.append(QStringLiteral("/f/%1.msg").arg(i, 5, 10, QChar('0')));
    return paths;
  };
  const int fitting = static_cast<int>((kOpenFilesCapacity - 3) / 10);
  EXPECT_EQ(OpenFilesResult(selection(fitting)).size(), 2 + 10 * fitting);
  try {
    OpenFilesResult(selection(fitting + 1));
    FAIL() << "no error for a selection past the capacity";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), error_number::kDialogBufferTooSmall);
  }
}

TEST(OpenFilesFiltersTest, TurnsPairsIntoFilterLines) {
  EXPECT_EQ(OpenFilesFilters("MSG File (*.msg)|*.msg|"), QStringList{"MSG File (*.msg)"});
  EXPECT_EQ(OpenFilesFilters("Mail|*.msg;*.eml|All|*.*"), (QStringList{"Mail (*.msg *.eml)", "All (*.*)"}));
}

}  // namespace
