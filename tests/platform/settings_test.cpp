// The settings store: defaults for missing keys, the round trip, empty values, persistence
// across store objects, a store that cannot be written, and the window's session over a
// store that reads but cannot be written.
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "platform/app_error.h"
#include "platform/qt_settings_store.h"
#include "support/form_fixture.h"
#include "support/temp_settings.h"
#include "support/tree_paths.h"

namespace {
TEST(SettingsStore, MissingKeysReadAsTheCallersDefaultWhichIsNotWrittenBack) {
  TempSettings settings;
  SettingsStore& store = settings.store();
  EXPECT_EQ(store.Read(kSettingsApp, kSettingsSection, QStringLiteral("Extension"), QStringLiteral("msg")),
            QStringLiteral("msg"));
  EXPECT_EQ(store.Read(kSettingsApp, kSettingsSection, QStringLiteral("LastFolder"), QString()), QString());
  EXPECT_FALSE(settings.Value(QStringLiteral("Extension")).has_value());
}

TEST(SettingsStore, RoundTripOfEveryKeyWithAwkwardValues) {
  TempSettings settings;
  SettingsStore& store = settings.store();
  const std::pair<const char*, QString> values[] = {
      {"Text1", QStringLiteral("C:\\Out\\")},
      {"Option1", QStringLiteral("True")},
      {"Option2", QStringLiteral("False")},
      {"Extension", QStringLiteral("*")},
      {"LastFolder", QStringLiteral("/home/u/Mail, old; \"quoted\" = 100%")},
      {"LastFolderDot", QStringLiteral("D:\\Über\\письма\\")},
  };
  for (const auto& [key, value] : values)
    store.Write(kSettingsApp, kSettingsSection, QString::fromLatin1(key), value);
  QtSettingsStore reopened(settings.Folder());
  for (const auto& [key, value] : values)
    EXPECT_EQ(reopened.Read(kSettingsApp, kSettingsSection, QString::fromLatin1(key), QStringLiteral("?")),
              value)
        << key;
}

TEST(SettingsStore, EmptyValueIsPresentNotDefault) {
  TempSettings settings{{QStringLiteral("Text1"), QString()}};
  EXPECT_EQ(settings.store().Read(kSettingsApp, kSettingsSection, QStringLiteral("Text1"),
                                  QStringLiteral("default")),
            QString());
}

TEST(SettingsStore, LaterWriteReplacesAndEachWriteReachesTheFileAtOnce) {
  TempSettings settings;
  settings.store().Write(kSettingsApp, kSettingsSection, QStringLiteral("Text1"), QStringLiteral("C"));
  settings.store().Write(kSettingsApp, kSettingsSection, QStringLiteral("Text1"), QStringLiteral("C:"));
  QFile file(settings.FileName());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray content = file.readAll();
  EXPECT_TRUE(content.contains("[Lorvane]")) << content.constData();
  EXPECT_TRUE(content.contains("Text1=C:")) << content.constData();
}

TEST(SettingsStore, KeysOfOtherSectionsAreSeparate) {
  TempSettings settings;
  settings.store().Write(kSettingsApp, QStringLiteral("Other"), QStringLiteral("Text1"), QStringLiteral("x"));
  EXPECT_FALSE(settings.Value(QStringLiteral("Text1")).has_value());
}

TEST(SettingsStore, AStoreThatCannotBeWrittenFailsTheWrite) {
  TempTree dir;
  // The store's file name is taken by a folder, so nothing can be written there.
  ASSERT_TRUE(QDir(TreeRoot(dir)).mkdir(kSettingsApp + QStringLiteral(".ini")));
  QtSettingsStore store(TreeRoot(dir));
  EXPECT_THROW(store.Write(kSettingsApp, kSettingsSection, QStringLiteral("Text1"), QStringLiteral("x")),
               AppError);
}
}  // namespace

namespace {
TEST(SettingsStore, TheUsersOwnStoreIsNamedAfterTheApplication) {
  // Only the name is asked for; nothing is read from or written to the user's store.
  EXPECT_TRUE(QtSettingsStore().FileName(kSettingsApp).contains(kSettingsApp));
}
}  // namespace

// A store that can be read but not written, and a garbage store that is rewritten fine.
namespace {
const QString kUnsaved = QStringLiteral("Lorvane cannot save your settings: ");

TEST(SettingsStore, AfterAFailedWriteTheStoreStillReadsAndAGarbageFileIsWrittenWithoutComplaint) {
  // A folder that cannot take a file, also for root: the write fails with its reason, and
  // later reads do not turn into "cannot be read".
  QtSettingsStore unwritable(QStringLiteral("/proc/self"));
  try {
    unwritable.Write(kSettingsApp, kSettingsSection, QStringLiteral("Text1"), QStringLiteral("/out/"));
    ADD_FAILURE() << "the write did not fail";
  } catch (const AppError& failure) {
    EXPECT_TRUE(failure.description().startsWith(QStringLiteral("The settings store cannot be written: /proc/self/")))
        << failure.description().toStdString();
    EXPECT_TRUE(failure.description().endsWith(QStringLiteral(")"))) << failure.description().toStdString();
  }
  EXPECT_NO_THROW(unwritable.Read(kSettingsApp, kSettingsSection, QStringLiteral("Option2"), QStringLiteral("0")));

  TempSettings garbage;
  QFile file(garbage.FileName());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  static const char kGarbage[] = "\x00\x01garbage[[[\n=\n\xff\xfe";
  file.write(kGarbage, sizeof kGarbage - 1);
  file.close();
  EXPECT_NO_THROW(garbage.Set(QStringLiteral("Text1"), QStringLiteral("/out/")));
  EXPECT_EQ(garbage.Value(QStringLiteral("Text1")), QStringLiteral("/out/"));
}

// The window with a store that reads but refuses every write, as a settings file left
// owned by another user does.
class ReadOnlyStore : public SettingsStore {
 public:
  explicit ReadOnlyStore(SettingsStore& store) : store_(store) {}
  QString Read(const QString& app, const QString& section, const QString& key, const QString& fallback) override {
    return store_.Read(app, section, key, fallback);
  }
  void Write(const QString&, const QString&, const QString&, const QString&) override {
    ++writes;
    throw AppError(QStringLiteral("The settings store cannot be written: /home/u/.config/Kestrane.conf (Permission denied)"),
                   error_number::kPathFileAccess);
  }
  int writes = 0;

 private:
  SettingsStore& store_;
};

TEST(SettingsSession, ValuesReadAreUsedAndOneBoxSaysOnceThatChangesCannotBeSaved) {
  FormFixture f({{QStringLiteral("Text1"), QStringLiteral("/mail/")},
                 {QStringLiteral("Option1"), QStringLiteral("False")},
                 {QStringLiteral("Option2"), QStringLiteral("True")}});
  ReadOnlyStore store(f.settings.store());
  Form1Services services = f.form().services();
  services.settings = &store;
  Form1 form(services);
  form.Form_Load();
  EXPECT_EQ(form.Text1->text(), QStringLiteral("/mail/"));
  EXPECT_TRUE(form.Option2->isChecked());
  EXPECT_FALSE(form.Frame3->isEnabled());
  // Start-up writes back what it read: no change of the user's, no box.
  EXPECT_TRUE(f.dialogs.shown.empty());
  // Typing, clicking the options and picking an extension: writes fail, no further box.
  for (const char* typed : {"/o", "/ou", "/out"}) form.Text1->setText(QString::fromUtf8(typed));
  form.Option1->click();
  EXPECT_GE(store.writes, 5);
  ASSERT_EQ(f.dialogs.Messages().size(), 1u);
  const ShownBox& box = f.dialogs.shown[0];
  EXPECT_TRUE(box.text.startsWith(kUnsaved)) << box.text.toStdString();
  EXPECT_EQ(box.text, QStringLiteral("Lorvane cannot save your settings: /home/u/.config/Kestrane.conf (Permission "
                                     "denied). Your choices apply until you close Lorvane."));
  EXPECT_EQ(box.icon, Dialogs::Icon::Exclamation);
  EXPECT_TRUE(f.dialogs.ErrorBoxes().empty());
  // What the user changed applies for the rest of the session.
  EXPECT_EQ(form.services().settings->Read(kSettingsApp, kSettingsSection, QStringLiteral("Text1"), {}),
            QStringLiteral("/out"));
  EXPECT_EQ(form.services().settings->Read(kSettingsApp, kSettingsSection, QStringLiteral("Option2"), {}),
            QStringLiteral("False"));
}
}  // namespace
