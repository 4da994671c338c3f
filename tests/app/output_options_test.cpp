// The output choice: the two options, the folder text and the "..." button, each kept in
// the settings as it changes; and the offer to make a typed folder that is not there.
#include <gtest/gtest.h>

#include "support/qstring_printer.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <QFile>
#include <QFileInfo>

#include "platform/app_error.h"
#include "platform/settings_store.h"
#include "run/window/output_folder_offer.h"
#include "support/form_fixture.h"
#include "support/scripted_dialogs.h"
#include "support/tree_paths.h"

namespace {

class OutputOptionsTest : public ::testing::Test {
 protected:
  OutputOptionsTest()
      : fixture_({{QStringLiteral("Text1"), QStringLiteral("/typed/")},
                  {QStringLiteral("LastFolderDot"), QStringLiteral("/picked/before")}}) {
    fixture_.Load();
    fixture_.dialogs.shown.clear();
  }
  Form1& form() { return fixture_.form(); }
  std::optional<QString> Stored(const char* key) { return fixture_.settings.Value(QString::fromUtf8(key)); }

  FormFixture fixture_;
};

TEST_F(OutputOptionsTest, PickedFolderGetsOneTrailingSeparator) {
  fixture_.dialogs.AnswerFolder(QStringLiteral("/data/out"));
  form().PushButton9->click();
  ASSERT_EQ(fixture_.dialogs.shown.size(), 1u);
  const ShownBox& picker = fixture_.dialogs.shown[0];
  EXPECT_EQ(picker.kind, ShownBox::Kind::BrowseForFolder);
  EXPECT_EQ(picker.caption, QStringLiteral("Please select folder:"));
  EXPECT_EQ(picker.extra, QStringLiteral("/picked/before"));  // the last pick, not the typed text
  EXPECT_EQ(form().Text1->text(), QStringLiteral("/data/out/"));
  EXPECT_EQ(Stored("LastFolderDot"), QStringLiteral("/data/out"));
  EXPECT_EQ(Stored("Text1"), QStringLiteral("/data/out/"));
}

TEST_F(OutputOptionsTest, ThePickerOpensAtTheFolderInTheBoxWhenItIsThere) {
  const TempTree tree;
  tree.Folder("current");
  form().Text1->setText(TreePath(tree, QStringLiteral("current")) + u'/');
  fixture_.dialogs.AnswerFolder(QString());
  form().PushButton9->click();
  ASSERT_EQ(fixture_.dialogs.shown.size(), 1u);
  EXPECT_EQ(fixture_.dialogs.shown[0].extra, TreePath(tree, QStringLiteral("current")) + u'/');
}

TEST_F(OutputOptionsTest, PickedRootKeepsItsOneSeparator) {
  fixture_.dialogs.AnswerFolder(QStringLiteral("/"));
  form().PushButton9->click();
  EXPECT_EQ(form().Text1->text(), QStringLiteral("/"));
  EXPECT_EQ(Stored("LastFolderDot"), QStringLiteral("/"));
  EXPECT_EQ(Stored("Text1"), QStringLiteral("/"));
}

TEST_F(OutputOptionsTest, CancelChangesNothing) {
  fixture_.dialogs.AnswerFolder(QString());
  form().PushButton9->click();
  EXPECT_EQ(form().Text1->text(), QStringLiteral("/typed/"));
  EXPECT_EQ(Stored("LastFolderDot"), QStringLiteral("/picked/before"));
  EXPECT_EQ(Stored("Text1"), QStringLiteral("/typed/"));
  EXPECT_TRUE(fixture_.dialogs.ErrorBoxes().empty());
}

TEST_F(OutputOptionsTest, OptionsAreStoredAndTheFolderBoxFollowsThem) {
  form().Option2->click();
  EXPECT_FALSE(form().Frame3->isEnabled());
  EXPECT_FALSE(form().RunOptionCheck(QStringLiteral("tree"))->isEnabled());
  EXPECT_EQ(form().Text1->text(), QStringLiteral("/typed/"));
  EXPECT_EQ(Stored("Option1"), QStringLiteral("False"));
  EXPECT_EQ(Stored("Option2"), QStringLiteral("True"));
  form().Option1->click();
  EXPECT_TRUE(form().Frame3->isEnabled());
  EXPECT_TRUE(form().RunOptionCheck(QStringLiteral("tree"))->isEnabled());
  EXPECT_EQ(Stored("Option1"), QStringLiteral("True"));
  EXPECT_EQ(Stored("Option2"), QStringLiteral("False"));
}

TEST_F(OutputOptionsTest, HeaderBlockChoiceIsStoredAndLeavesTheOutputOptionsAlone) {
  EXPECT_TRUE(form().DocumentBoxFor(&ConversionOptions::header_block)->isChecked()) << "on at the first start";
  form().DocumentBoxFor(&ConversionOptions::header_block)->click();
  EXPECT_EQ(Stored("HeaderBlock"), QStringLiteral("False"));
  EXPECT_TRUE(form().Option1->isChecked());
  EXPECT_FALSE(Stored("Option1").has_value());
  form().DocumentBoxFor(&ConversionOptions::header_block)->click();
  EXPECT_EQ(Stored("HeaderBlock"), QStringLiteral("True"));
}

TEST_F(OutputOptionsTest, TheFolderBoxFollowsTheOptionEvenWhenTheSettingsCannotBeWritten) {
  class Unwritable : public SettingsStore {
   public:
    QString Read(const QString&, const QString&, const QString&, const QString& fallback) override {
      return fallback;
    }
    void Write(const QString&, const QString&, const QString&, const QString&) override {
      throw AppError(QStringLiteral("Permission denied"), error_number::kPermissionDenied);
    }
  } store;
  Form1Services services = form().services();
  services.settings = &store;
  Form1 window(services);
  window.Option1->setChecked(true);
  window.Frame3->setEnabled(true);
  window.Option2->click();
  EXPECT_FALSE(window.Frame3->isEnabled());
  window.Option1->click();
  EXPECT_TRUE(window.Frame3->isEnabled());
  // The failed writes were told to the user once, not once per click.
  EXPECT_EQ(fixture_.dialogs.Messages().size(), 1u);
}

// A typed folder as a run begins: there already, made on Yes (with every folder above it),
// left alone on No, and every reason it cannot be used said in a box.
TEST(OutputFolderOffer, AMissingFolderIsMadeOnYesAndLeftAloneOnNo) {
  const TempTree tree;
  ScriptedDialogs dialogs;
  const QString there = TreeRoot(tree);
  EXPECT_TRUE(OfferOutputFolder(dialogs, there + u'/'));
  EXPECT_TRUE(dialogs.shown.empty());

  const QString wanted = TreePath(tree, QStringLiteral("new/deeper"));
  dialogs.AnswerYesNo(false);
  EXPECT_FALSE(OfferOutputFolder(dialogs, wanted + u'/'));
  EXPECT_FALSE(QFileInfo::exists(TreePath(tree, QStringLiteral("new"))));
  dialogs.AnswerYesNo(true);
  EXPECT_TRUE(OfferOutputFolder(dialogs, wanted + u'/'));
  EXPECT_TRUE(QFileInfo(wanted).isDir());
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].kind, ShownBox::Kind::YesNo);
  EXPECT_EQ(dialogs.shown[1].text, QStringLiteral("The output folder does not exist:\r\n") + wanted +
                                       QStringLiteral("\r\n\r\nCreate it?"));

  // "~" is the home folder, in the question too.
  const QByteArray home = qgetenv("HOME");
  qputenv("HOME", there.toUtf8());
  dialogs.AnswerYesNo(true);
  EXPECT_TRUE(OfferOutputFolder(dialogs, QStringLiteral("~/from home/")));
  qputenv("HOME", home);
  EXPECT_TRUE(QFileInfo(TreePath(tree, QStringLiteral("from home"))).isDir());
  EXPECT_TRUE(dialogs.shown.back().text.contains(TreePath(tree, QStringLiteral("from home"))));
  EXPECT_TRUE(dialogs.Messages().empty());
}

TEST(OutputFolderOffer, WhatKeepsTheRunFromGoingOnIsSaid) {
  const TempTree tree;
  tree.File("file");
  ScriptedDialogs dialogs;
  EXPECT_FALSE(OfferOutputFolder(dialogs, QStringLiteral("  ")));
  EXPECT_FALSE(OfferOutputFolder(dialogs, TreePath(tree, QStringLiteral("file"))));
  dialogs.AnswerYesNo(true);
  EXPECT_FALSE(OfferOutputFolder(dialogs, TreePath(tree, QStringLiteral("file/below"))));
  EXPECT_EQ(dialogs.Messages(),
            (std::vector<QString>{QStringLiteral("No output folder is given. Please select another folder."),
                                  QStringLiteral("The output folder is a file:\r\n") + TreePath(tree, QStringLiteral("file")) +
                                      QStringLiteral("\r\nPlease select another folder."),
                                  QStringLiteral("The output folder could not be created:\r\nNot a directory: ") +
                                      TreePath(tree, QStringLiteral("file"))}));
  EXPECT_EQ(dialogs.shown.back().icon, Dialogs::Icon::Exclamation);
  EXPECT_TRUE(dialogs.AllAnswersUsed());
}

}  // namespace
