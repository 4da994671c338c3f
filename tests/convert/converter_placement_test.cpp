// Placing the converter: a private folder per run in the temporary folder, the image
// written whole and runnable, everything gone again afterwards.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "convert/converter_image.h"
#include "convert/converter_placement.h"
#include "platform/app_error.h"

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
  QTemporaryDir temp_;
  TempVariable variable_{temp_.path()};
};

TEST_F(ConverterPlacementTest, WritesTheImageIntoAPrivateFolderAndRemovesBoth) {
  ConverterPlacement placement;
  EXPECT_TRUE(placement.ConverterPath().isEmpty());
  placement.Place(QByteArrayView("image bytes"));
  const QString path = placement.ConverterPath();
  const QFileInfo file(path);
  EXPECT_EQ(file.fileName(), QStringLiteral("Quorlin.exe"));
  EXPECT_EQ(file.absolutePath(), QDir(placement.Folder()).absolutePath());
  EXPECT_EQ(QFileInfo(placement.Folder()).absolutePath(), QDir(temp_.path()).absolutePath());
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
  // A file planted at the old fixed name is never used.
  QFile planted(QDir(temp_.path()).filePath(QStringLiteral("Quorlin.exe")));
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
  EXPECT_TRUE(QDir(temp_.path()).isEmpty());
}

TEST(ConverterPlacementFailure, AMissingTemporaryFolderIsAClearError) {
  QTemporaryDir temp;
  TempVariable variable(QDir(temp.path()).filePath(QStringLiteral("gone")));
  ConverterPlacement placement;
  try {
    placement.Place(QByteArrayView("x"));
    FAIL() << "placing into a missing folder succeeded";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), error_number::kPathNotFound);
  }
  EXPECT_TRUE(placement.ConverterPath().isEmpty());
}

}  // namespace
