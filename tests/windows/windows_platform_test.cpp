// The platform layer's Windows side, under wine here: the disk's own attributes and
// case-blind names in the folder scan's view and the listings, folders made with every
// missing one above them, the output file replaced only when asked and all at once, the
// settings under HKEY_CURRENT_USER\Software\<application>, and the wait for input on pipes.
#include <io.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <string>

#include "converter/base/path_text.h"
#include "pdf/output_file.h"
#include "platform/descriptor_wait.h"
#include "platform/folder_listings.h"
#include "platform/local_file_system.h"
#include "platform/make_folders.h"
#include "platform/qt_settings_store.h"
#include "platform/app_error.h"
#include "support/temp_tree.h"

namespace {

namespace fs = std::filesystem;
using quorlin::PathFromUtf8;

const std::string kUnicodeStem = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \xF0\x9F\x93\x8E";

QString Text(const fs::path& path) { return QString::fromStdWString(path.wstring()); }

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class WindowsPlatformTest : public ::testing::Test {
 protected:
  TempTree tree_;
  fs::path dir_ = PathFromUtf8(tree_.Root());
};

TEST_F(WindowsPlatformTest, TheScanSeesTheDisksAttributesAndUnicodeNamesWithoutCase) {
  const fs::path unicode = dir_ / PathFromUtf8(kUnicodeStem + ".MSG");
  Write(unicode, "x");
  Write(dir_ / "hidden.msg", "x");
  ::SetFileAttributesW((dir_ / "hidden.msg").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  fs::create_directories(dir_ / "Sub" / "Deeper");
  LocalFileSystem disk;
  EXPECT_EQ(disk.Attributes(Text(dir_ / "hidden.msg")), file_attribute::kHidden | file_attribute::kArchive);
  EXPECT_FALSE(disk.IsFileToAdd(Text(dir_ / "hidden.msg")));
  EXPECT_TRUE(disk.IsFileToAdd(Text(unicode)));
  EXPECT_EQ(disk.Attributes(Text(dir_ / "Sub")) & file_attribute::kDirectory, file_attribute::kDirectory);
  EXPECT_EQ(disk.ListFiles(Text(dir_), QStringLiteral("*.msg")),
            QStringList({QStringLiteral("hidden.msg"), QString::fromUtf8(kUnicodeStem + ".MSG")}));
  EXPECT_EQ(disk.SubFolderNames(Text(dir_)), QStringList{QStringLiteral("Sub")});
  EXPECT_TRUE(disk.FolderExists(Text(dir_ / "sub")));
  EXPECT_FALSE(disk.FileExistsByOpen(Text(dir_ / "Sub")));
  EXPECT_EQ(disk.FolderKey(Text(dir_ / "Sub")), disk.FolderKey(Text(dir_ / "SUB")));
  EXPECT_NE(disk.FolderKey(Text(dir_ / "Sub")), disk.FolderKey(Text(dir_ / "Sub" / "Deeper")));
  EXPECT_THROW(disk.SubFolderNames(Text(dir_ / "missing")), AppError);

  // A document named like one on disk but for case is taken.
  FolderListings listings;
  EXPECT_TRUE(listings.Exists(Text(dir_ / PathFromUtf8(kUnicodeStem + ".msg"))));
  EXPECT_TRUE(listings.Exists(Text(dir_ / "HIDDEN.MSG")));
  EXPECT_FALSE(listings.Exists(Text(dir_ / "hidden.doc")));
}

TEST_F(WindowsPlatformTest, FoldersAreMadeDownToTheLastAndAFileInTheWayIsSaid) {
  QString failure;
  const fs::path deep = dir_ / PathFromUtf8(kUnicodeStem) / "b" / "c";
  EXPECT_TRUE(MakeFolderPath(Text(deep), failure)) << failure.toStdString();
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_TRUE(MakeFolderPath(Text(deep), failure));  // already there
  Write(dir_ / "file", "x");
  EXPECT_FALSE(MakeFolderPath(Text(dir_ / "file" / "below"), failure));
  EXPECT_TRUE(failure.endsWith(QDir::toNativeSeparators(Text(dir_ / "file")))) << failure.toStdString();
}

TEST_F(WindowsPlatformTest, TheOutputFileReplacesOnlyWhenAskedAndLeavesNoTemporaryFile) {
  const fs::path target = dir_ / PathFromUtf8(kUnicodeStem + ".tsv");
  Write(target, "old");
  const auto write = [](quorlin::AtomicFile& file) {
    return std::fputs("new", file.Stream()) >= 0;
  };
  quorlin::AtomicFile kept(target, lorvane_pdf::kOutputFileWay);
  ASSERT_FALSE(kept.Open());
  ASSERT_TRUE(write(kept));
  EXPECT_EQ(kept.PlaceNew(), std::errc::file_exists);
  EXPECT_EQ(Read(target), "old");
  quorlin::AtomicFile replacing(target, lorvane_pdf::kOutputFileWay);
  ASSERT_FALSE(replacing.Open());
  ASSERT_TRUE(write(replacing));
  EXPECT_FALSE(replacing.Replace());
  EXPECT_EQ(Read(target), "new");
  // A folder at the target is never replaced.
  fs::create_directory(dir_ / "folder.tsv");
  quorlin::AtomicFile blocked(dir_ / "folder.tsv", lorvane_pdf::kOutputFileWay);
  ASSERT_FALSE(blocked.Open());
  EXPECT_TRUE(blocked.Replace());
  std::size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) entries += entry.path().extension() == ".tmp";
  EXPECT_EQ(entries, 0u);
}

TEST(WindowsSettingsTest, TheStoreIsTheUsersRegistryKeyOfTheApplicationWithASectionBelow) {
  const QString app = QStringLiteral("KestraneWindowsTest");
  QtSettingsStore store;
  EXPECT_EQ(store.FileName(app), QStringLiteral("\\HKEY_CURRENT_USER\\Software\\KestraneWindowsTest"));
  store.Write(app, QStringLiteral("Lorvane"), QStringLiteral("Text1"), QStringLiteral("C:\\Out\\"));
  EXPECT_EQ(store.Read(app, QStringLiteral("Lorvane"), QStringLiteral("Text1"), {}), QStringLiteral("C:\\Out\\"));
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\KestraneWindowsTest\\Lorvane", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  wchar_t value[64] = {};
  DWORD size = sizeof value;
  EXPECT_EQ(::RegQueryValueExW(key, L"Text1", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
  ::RegCloseKey(key);
  EXPECT_EQ(QString::fromWCharArray(value), QStringLiteral("C:\\Out\\"));
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KestraneWindowsTest");
}

TEST(WindowsDescriptorWaitTest, APipeIsReadyWithInputAndWhenItsWriterIsGone) {
  int pipe[2];
  ASSERT_TRUE(MakeWakePipe(pipe));
  std::vector<bool> ready;
  EXPECT_EQ(WaitForInput({pipe[0], -1}, ready, 0), 0);
  WakeWith(pipe[1], 7);
  EXPECT_EQ(WaitForInput({-1, pipe[0]}, ready, 1000), 1);
  EXPECT_EQ(ready, (std::vector<bool>{false, true}));
  char byte = 0;
  EXPECT_EQ(::_read(pipe[0], &byte, 1), 1);
  EXPECT_EQ(byte, 7);
  ::_close(pipe[1]);
  pipe[1] = -1;
  EXPECT_EQ(WaitForInput({pipe[0]}, ready, 1000), 1);
  CloseWakePipe(pipe);
}

}  // namespace
