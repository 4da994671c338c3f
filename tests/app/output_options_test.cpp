// The output choice: the two options, the folder text and the "..." button, each kept in
// the settings as it changes.
#include <gtest/gtest.h>

#include "support/qstring_printer.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "platform/app_error.h"
#include "platform/settings_store.h"
#include "support/form_fixture.h"

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
  EXPECT_EQ(form().Text1->text(), QStringLiteral("/typed/"));
  EXPECT_EQ(Stored("Option1"), QStringLiteral("False"));
  EXPECT_EQ(Stored("Option2"), QStringLiteral("True"));
  form().Option1->click();
  EXPECT_TRUE(form().Frame3->isEnabled());
  EXPECT_EQ(Stored("Option1"), QStringLiteral("True"));
  EXPECT_EQ(Stored("Option2"), QStringLiteral("False"));
}

TEST_F(OutputOptionsTest, HeaderBlockChoiceIsStoredAndLeavesTheOutputOptionsAlone) {
  EXPECT_FALSE(form().Check1->isChecked()) << "off unless stored";
  form().Check1->click();
  EXPECT_EQ(Stored("HeaderBlock"), QStringLiteral("True"));
  EXPECT_TRUE(form().Option1->isChecked());
  EXPECT_FALSE(Stored("Option1").has_value());
  form().Check1->click();
  EXPECT_EQ(Stored("HeaderBlock"), QStringLiteral("False"));
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

}  // namespace
