// Placing the converter: a private folder per run in the temporary folder, the image
// written whole and runnable, everything gone again afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "run/engine/converter_image.h"
#include "run/engine/converter_placement.h"
#include "platform/app_error.h"
#include "support/tree_paths.h"

namespace {

// Points "TEMP" at a folder of the test's own for its lifetime.
class TempVariable {
 public:
  explicit TempVariable(const QString& value) : old_(qgetenv("TEMP")), had_(qEnvironmentVariableIsSet("TEMP")) {
    qputenv("TEMP", value.toLocal8Bit());
  }
  ~TempVariable() {
    if (had_) qputenv("TEMP", old_);
    else qunsetenv("TEMP");
  }

 private:
  QByteArray old_;
  bool had_;
};

TEST(TemporaryFolder, TempVariableFirstThenThePlatformFolder) {
  {
    TempVariable temp(QStringLiteral("/some/where"));
    EXPECT_EQ(TemporaryFolder(), QStringLiteral("/some/where"));
  }
  TempVariable empty(QString{});
  EXPECT_EQ(TemporaryFolder(), QDir::tempPath());
}

TEST(ConverterImage, IsTheBuiltConverter) {
  const QByteArrayView image = ConverterImage();
  ASSERT_GT(image.size(), 4);
  EXPECT_EQ(image.first(4), QByteArrayView("\x7f" "ELF", 4));
}

class ConverterPlacementTest : public ::testing::Test {
 protected:
  TempTree temp_;
  TempVariable variable_{TreeRoot(temp_)};
};

TEST_F(ConverterPlacementTest, WritesTheImageIntoAPrivateFolderAndRemovesBoth) {
  ConverterPlacement placement;
  EXPECT_TRUE(placement.ConverterPath().isEmpty());
  placement.Place(QByteArrayView("image bytes"));
  const QString path = placement.ConverterPath();
  const QFileInfo file(path);
  EXPECT_EQ(file.fileName(), QStringLiteral("Quorlin.exe"));
  EXPECT_EQ(file.absolutePath(), QDir(placement.Folder()).absolutePath());
  EXPECT_EQ(QFileInfo(placement.Folder()).absolutePath(), QDir(TreeRoot(temp_)).absolutePath());
  EXPECT_TRUE(file.isExecutable());
  const auto folderPermissions = QFileInfo(placement.Folder()).permissions();
  EXPECT_FALSE(folderPermissions & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther));
  QFile written(path);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(), QByteArray("image bytes"));
  written.close();

  const QString folder = placement.Folder();
  placement.Remove();
  EXPECT_FALSE(QFileInfo::exists(path));
  EXPECT_FALSE(QFileInfo::exists(folder));
  EXPECT_TRUE(placement.ConverterPath().isEmpty());
  placement.Remove();  // a second removal is harmless
}

TEST_F(ConverterPlacementTest, EveryPlacementGetsAFolderOfItsOwn) {
  // A file planted under the converter's name directly in the temporary folder is never
  // used: each placement writes the converter into a new folder of its own.
  QFile planted(QDir(TreeRoot(temp_)).filePath(QStringLiteral("Quorlin.exe")));
  ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
  planted.write("planted");
  planted.close();
  ConverterPlacement first;
  ConverterPlacement second;
  first.Place(QByteArrayView("one"));
  second.Place(QByteArrayView("two"));
  EXPECT_NE(first.ConverterPath(), second.ConverterPath());
  EXPECT_NE(first.ConverterPath(), planted.fileName());
}

TEST_F(ConverterPlacementTest, LeavesNothingWhenItGoesOutOfScope) {
  QString folder;
  {
    ConverterPlacement placement;
    placement.Place(QByteArrayView("x"));
    folder = placement.Folder();
    ASSERT_TRUE(QFileInfo::exists(folder));
  }
  EXPECT_FALSE(QFileInfo::exists(folder));
  EXPECT_TRUE(QDir(TreeRoot(temp_)).isEmpty());
}


// Sets an environment variable for its lifetime.
class EnvironmentVariable {
 public:
  EnvironmentVariable(const char* name, const QString& value)
      : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value.toLocal8Bit());
  }
  ~EnvironmentVariable() {
    if (had_) qputenv(name_, old_);
    else qunsetenv(name_);
  }

 private:
  const char* name_;
  QByteArray old_;
  bool had_;
};

class NoexecTemporaryFolderTest : public ConverterPlacementTest {
 protected:
  bool Under(const QString& path, const QString& folder) const {
    return QFileInfo(path).absoluteFilePath().startsWith(QDir(folder).absolutePath() + u'/');
  }
  TempTree home_;
  const QString cache_ = QDir(TreeRoot(home_)).filePath(QStringLiteral("cache"));
  const QString runtime_ = QDir(TreeRoot(home_)).filePath(QStringLiteral("runtime"));
  EnvironmentVariable cacheVariable_{"XDG_CACHE_HOME", cache_};
  EnvironmentVariable runtimeVariable_{"XDG_RUNTIME_DIR", runtime_};
};

TEST_F(NoexecTemporaryFolderTest, TheConverterGoesUnderTheUsersCacheFolderInstead) {
  ASSERT_TRUE(QDir().mkpath(runtime_));
  const QString temp = TreeRoot(temp_);
  ConverterPlacement placement([&](const QString& folder) { return folder != temp; });
  placement.Place(QByteArrayView("image"));
  const QString folder = placement.Folder();
  EXPECT_TRUE(Under(folder, cache_)) << folder.toStdString();
  EXPECT_TRUE(QFileInfo(placement.ConverterPath()).isExecutable());
  EXPECT_EQ(QFileInfo(folder).permissions() & (QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                QFileDevice::WriteOther | QFileDevice::ExeOther),
            QFileDevice::Permissions{});
  EXPECT_TRUE(QDir(temp).isEmpty());
  placement.Remove();
  EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(NoexecTemporaryFolderTest, TheRuntimeFolderServesWhenTheCacheMayNotStartProgramsEither) {
  ASSERT_TRUE(QDir().mkpath(runtime_));
  ConverterPlacement placement([&](const QString& folder) { return Under(folder + u'/', runtime_); });
  placement.Place(QByteArrayView("image"));
  EXPECT_TRUE(Under(placement.Folder(), runtime_)) << placement.Folder().toStdString();
  EXPECT_TRUE(QDir(TreeRoot(temp_)).isEmpty());
}

// A temporary folder that is missing or may not be written into is passed over like one
// that may not start programs; with no other folder to go to, a missing one is a clear error.
TEST_F(NoexecTemporaryFolderTest, AMissingOrUnwritableTemporaryFolderGivesWayToTheCacheFolder) {
  const QString missing = QDir(TreeRoot(temp_)).filePath(QStringLiteral("gone"));
  {
    TempVariable variable(missing);
    ConverterPlacement placement([](const QString&) { return true; });
    placement.Place(QByteArrayView("image"));
    EXPECT_TRUE(Under(placement.Folder(), cache_)) << placement.Folder().toStdString();
  }
  if (::geteuid() != 0) {  // root may write anywhere
    const QString locked = QDir(TreeRoot(temp_)).filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(locked));
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    TempVariable variable(locked);
    ConverterPlacement placement([](const QString&) { return true; });
    placement.Place(QByteArrayView("image"));
    EXPECT_TRUE(Under(placement.Folder(), cache_)) << placement.Folder().toStdString();
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }
  // The cache cannot be made below a plain file, and there is no runtime folder.
  QFile blocker(QDir(TreeRoot(home_)).filePath(QStringLiteral("file")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  EnvironmentVariable cache("XDG_CACHE_HOME", blocker.fileName() + QStringLiteral("/cache"));
  TempVariable variable(missing);
  ConverterPlacement placement([](const QString&) { return true; });
  try {
    placement.Place(QByteArrayView("x"));
    FAIL() << "placing into a missing folder succeeded";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), error_number::kPathNotFound);
  }
  EXPECT_TRUE(placement.ConverterPath().isEmpty());
}

TEST_F(NoexecTemporaryFolderTest, WithNowhereBetterTheTemporaryFolderIsUsedAllTheSame) {
  ConverterPlacement placement([](const QString&) { return false; });
  placement.Place(QByteArrayView("image"));
  EXPECT_TRUE(Under(placement.Folder(), TreeRoot(temp_))) << placement.Folder().toStdString();
}

}  // namespace
