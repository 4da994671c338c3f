// The settings store: defaults for missing keys, the round trip, empty values, persistence
// across store objects, and a store that cannot be written.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/app_error.h"
#include "platform/qt_settings_store.h"
#include "support/temp_settings.h"

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
  QTemporaryDir dir;
  // The store's file name is taken by a folder, so nothing can be written there.
  ASSERT_TRUE(QDir(dir.path()).mkdir(kSettingsApp + QStringLiteral(".ini")));
  QtSettingsStore store(dir.path());
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
