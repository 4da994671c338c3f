// Tests of queuing the sample files and offering to open their folder.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include "support/list_helpers.h"
#include "support/form_fixture.h"
#include "support/tree_paths.h"

namespace {

const QString kQuestion = QStringLiteral(
    "Would you like this software to open the folder where these sample files are stored (so that you "
    "can view them before working with them)?");

class SamplesTest : public ::testing::Test {
 protected:
  void MakeSamples(const QStringList& names) {
    for (const QString& name : names) {
      QFile file(fx_.AppPath("Samples/" + name));
      QDir().mkpath(fx_.AppPath("Samples"));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
  }
  void Click(bool yes) {
    fx_.dialogs.AnswerYesNo(yes);
    fx_.form().PushButton7_Click();
  }
  QStringList Questions() const {
    QStringList texts;
    for (const ShownBox& box : fx_.dialogs.shown)
      if (box.kind == ShownBox::Kind::YesNo) texts.append(box.text);
    return texts;
  }

  FormFixture fx_;
  FileListView& list_ = *fx_.form().ListView1;
};

TEST_F(SamplesTest, AddsEverySampleInListingOrderAndOpensTheFolderOnYes) {
  MakeSamples({"Plain.msg", "attachment.msg", "Formatted.msg"});
  Click(true);
  EXPECT_EQ(Rows(list_), (QStringList{fx_.AppPath("Samples/attachment.msg"), fx_.AppPath("Samples/Formatted.msg"),
                                      fx_.AppPath("Samples/Plain.msg")}));
  EXPECT_EQ(Questions(), QStringList{kQuestion});
  ASSERT_EQ(fx_.desktop.openedFolders.size(), 1u);
  EXPECT_EQ(fx_.desktop.openedFolders[0], fx_.AppPath("Samples/"));
}

TEST_F(SamplesTest, ASecondClickAddsNothingButAsksAgain) {
  MakeSamples({"a.msg", "b.msg"});
  Click(false);
  Click(false);
  EXPECT_EQ(list_.Count(), 2);
  EXPECT_EQ(Questions().size(), 2);
  EXPECT_TRUE(fx_.desktop.openedFolders.empty());
}

TEST_F(SamplesTest, ARowDifferingOnlyInCaseDoesNotCountAsListed) {
  MakeSamples({"a.msg"});
  list_.Append(fx_.AppPath("Samples/A.MSG"));
  Click(false);
  EXPECT_EQ(Rows(list_), (QStringList{fx_.AppPath("Samples/A.MSG"), fx_.AppPath("Samples/a.msg")}));
}

TEST_F(SamplesTest, AMissingSampleFolderAddsNothingAndStillAsks) {
  Click(true);
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(Questions().size(), 1);
  EXPECT_TRUE(fx_.dialogs.ErrorBoxes().empty());
}

TEST_F(SamplesTest, ADesktopThatCannotOpenTheFolderIsSaidInABox) {
  MakeSamples({"a.msg"});
  fx_.desktop.fail = true;
  Click(true);
  EXPECT_EQ(list_.Count(), 1);
  EXPECT_TRUE(fx_.dialogs.ErrorBoxes().empty());
  EXPECT_EQ(fx_.dialogs.Messages(), std::vector<QString>{QStringLiteral("The folder cannot be opened")});
  EXPECT_EQ(fx_.dialogs.shown.back().icon, Dialogs::Icon::Exclamation);
}

TEST(BuiltSamplesTest, TheBuildPlacesMessagesAndTheDragPointerBesideTheProgram) {
  const QDir app(QStringLiteral(LORVANE_BINARY_DIR "/app"));
  if (!app.exists("Samples")) GTEST_SKIP() << "the samples have not been built in " << app.path().toStdString();
  const QStringList samples = QDir(app.filePath("Samples")).entryList({"*.msg"}, QDir::Files);
  EXPECT_GE(samples.size(), 3);
  EXPECT_LE(samples.size(), 5);
  for (const QString& name : samples) {
    QFile file(app.filePath("Samples/" + name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(8) == QByteArray::fromHex("d0cf11e0a1b11ae1")) << name.toStdString();
  }
  // Each sample converts into an RTF document with the converter the program carries.
  TempTree out;
  for (const QString& name : samples) {
    const QString target = TreePath(out, name + ".doc");
    EXPECT_EQ(QProcess::execute(QStringLiteral(QUORLIN_EXE), {app.filePath("Samples/" + name), target}), 0)
        << name.toStdString();
    QFile document(target);
    ASSERT_TRUE(document.open(QIODevice::ReadOnly)) << name.toStdString();
    EXPECT_TRUE(document.readAll().startsWith("{\\rtf1")) << name.toStdString();
  }
  EXPECT_FALSE(QPixmap(app.filePath("drag.ico")).isNull());
}

}  // namespace
