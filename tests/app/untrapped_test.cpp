// A handler without an error trap that fails (here: the settings store cannot be written
// while the user types a folder) shows the failure in a plain box; the exception never
// reaches Qt's event loop, which would end the program.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace {
TEST(UntrappedHandlers, AFailedSettingsWriteIsShownAndTheProgramGoesOn) {
  FormFixture f;
  f.Load();
  // Replace the store's file by a folder of the same name: every write now fails.
  ASSERT_TRUE(QFile::remove(f.settings.FileName()));
  ASSERT_TRUE(QDir().mkdir(f.settings.FileName()));
  f.form().Text1->setText(QStringLiteral("/out"));
  ASSERT_EQ(f.dialogs.shown.size(), 1u);
  EXPECT_TRUE(f.dialogs.shown[0].text.startsWith(QStringLiteral("The settings store cannot be written")));
  EXPECT_TRUE(f.dialogs.shown[0].caption.isEmpty());
  EXPECT_EQ(f.dialogs.shown[0].icon, Dialogs::Icon::Exclamation);
  EXPECT_EQ(f.form().Text1->text(), QStringLiteral("/out"));
}
}  // namespace
