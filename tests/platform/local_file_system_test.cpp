// Tests of the folder scan's view of the local disk, on real temporary folder trees.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/app_error.h"
#include "platform/local_file_system.h"
#include "platform/make_folders.h"
#include "support/tree_paths.h"

namespace {

class LocalFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {  }

  QString Path(const QString& relative) const { return TreeRoot(dir_) + u'/' + relative; }
  void MakeFolder(const QString& relative) { ASSERT_TRUE(QDir().mkpath(Path(relative))); }
  void MakeFile(const QString& relative) {
    QFile file(Path(relative));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
  }
  void Link(const QString& target, const QString& relative) {
    ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(Path(relative)).constData()), 0);
  }
  void Chmod(const QString& relative, mode_t mode) {
    ASSERT_EQ(chmod(QFile::encodeName(Path(relative)).constData(), mode), 0);
  }

  TempTree dir_;
  LocalFileSystem fs_;
};

TEST_F(LocalFileSystemTest, AttributesAreDerivedFromKindNameLinkAndWritability) {
  MakeFolder("plain");
  MakeFolder(".hidden");
  MakeFile("a.msg");
  MakeFile(".h.msg");
  MakeFile(".ro.msg");
  Chmod(".ro.msg", 0444);
  Link(Path("plain"), "dirlink");
  Link(Path("a.msg"), "filelink");
  Link(Path("gone"), "dangling");

  EXPECT_EQ(fs_.Attributes(Path("plain")), 16);
  EXPECT_EQ(fs_.Attributes(Path("plain/")), 16);
  EXPECT_EQ(fs_.Attributes(Path(".hidden")), 18);
  EXPECT_EQ(fs_.Attributes(Path(".hidden/")), 18);
  EXPECT_EQ(fs_.Attributes(Path("a.msg")), 32);
  EXPECT_EQ(fs_.Attributes(Path(".h.msg")), 34);
  EXPECT_EQ(fs_.Attributes(Path(".ro.msg")), 35);
  EXPECT_EQ(fs_.Attributes(Path("dirlink")), 1040);
  EXPECT_EQ(fs_.Attributes(Path("filelink")), 1056);
  EXPECT_EQ(fs_.Attributes(Path("dangling")) & 1024, 1024);
  EXPECT_EQ(fs_.Attributes(QStringLiteral("/")) & 16, 16);
}

TEST_F(LocalFileSystemTest, AttributesOfAMissingPathThrowPathNotFound) {
  for (const QString& path : {Path("missing"), QString()}) {
    try {
      fs_.Attributes(path);
      FAIL() << "no error for " << path.toStdString();
    } catch (const AppError& error) {
      EXPECT_EQ(error.number(), error_number::kPathNotFound);
    }
  }
}

TEST_F(LocalFileSystemTest, OnlySlashesMakeTheRoot) {
  EXPECT_TRUE(fs_.IsRootFolder("/"));
  EXPECT_TRUE(fs_.IsRootFolder("//"));
  EXPECT_FALSE(fs_.IsRootFolder(""));
  EXPECT_FALSE(fs_.IsRootFolder(TreeRoot(dir_)));
  EXPECT_FALSE(fs_.IsRootFolder("/tmp/"));
}

TEST_F(LocalFileSystemTest, SubFoldersComeInCaseInsensitiveOrderWithHiddenAndLinkedOnes) {
  for (const char* name : {"b", "A", "c d", ".git", "Ünïcode", "Кириллица", "it's \"quoted\""})
    MakeFolder(QString::fromUtf8(name));
  MakeFile("a-file");
  Link(Path("b"), "linked");
  Link(Path("a-file"), "link-to-file");

  const QStringList names = fs_.SubFolderNames(Path(""));
  const QStringList expected = {".git", "A", "b", "c d", "it's \"quoted\"", "linked",
                                QString::fromUtf8("Ünïcode"), QString::fromUtf8("Кириллица")};
  EXPECT_EQ(names, expected);
}

TEST_F(LocalFileSystemTest, ListingAMissingFolderOrAFileThrowsPathNotFound) {
  MakeFile("file");
  for (const QString& path : {Path("missing"), Path("file")}) {
    try {
      fs_.SubFolderNames(path);
      FAIL() << "no error for " << path.toStdString();
    } catch (const AppError& error) {
      EXPECT_EQ(error.number(), error_number::kPathNotFound);
    }
    EXPECT_THROW(fs_.ListFiles(path, "*.*"), AppError);
  }
}

TEST_F(LocalFileSystemTest, ListFilesMatchesIgnoringCaseAndNeverReturnsFolders) {
  MakeFile("b.msg");
  MakeFile("A.MSG");
  MakeFile(".hidden.msg");
  MakeFile("note.txt");
  MakeFile("noext");
  MakeFile(QString::fromUtf8("naïve “quote” – письмо.Msg"));
  MakeFolder("x.msg");
  Link(Path("b.msg"), "link.msg");
  Link(Path("x.msg"), "folderlink.msg");

  EXPECT_EQ(fs_.ListFiles(Path(""), "*.msg"),
            (QStringList{".hidden.msg", "A.MSG", "b.msg", "link.msg", QString::fromUtf8("naïve “quote” – письмо.Msg")}));
  EXPECT_EQ(fs_.ListFiles(Path("") + u'/', "*.*").size(), 7);
  EXPECT_EQ(fs_.ListFiles(Path(""), "*.txt"), QStringList{"note.txt"});
  MakeFolder("empty");
  EXPECT_TRUE(fs_.ListFiles(Path("empty"), "*.*").isEmpty());
}

TEST_F(LocalFileSystemTest, FileExistsByOpenHoldsForRegularFilesOnly) {
  MakeFile("plain");
  MakeFile("locked");
  Chmod("locked", 0);
  MakeFolder("folder");
  ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe")).constData(), 0644), 0);

  EXPECT_TRUE(fs_.FileExistsByOpen(Path("plain")));
  EXPECT_TRUE(fs_.FileExistsByOpen(Path("locked")));
  EXPECT_FALSE(fs_.FileExistsByOpen(Path("folder")));
  EXPECT_FALSE(fs_.FileExistsByOpen(Path("pipe")));  // and does not block on it
  EXPECT_FALSE(fs_.FileExistsByOpen(Path("missing")));
  EXPECT_FALSE(fs_.FileExistsByOpen(""));
  EXPECT_TRUE(fs_.FolderExists(Path("folder")));
  EXPECT_FALSE(fs_.FolderExists(Path("plain")));
  EXPECT_FALSE(fs_.FolderExists(""));
}

TEST_F(LocalFileSystemTest, FolderKeyIsTheSameThroughALink) {
  MakeFolder("real");
  MakeFolder("other");
  Link(Path("real"), "via");
  EXPECT_FALSE(fs_.FolderKey(Path("real")).isEmpty());
  EXPECT_EQ(fs_.FolderKey(Path("via/")), fs_.FolderKey(Path("real")));
  EXPECT_NE(fs_.FolderKey(Path("other")), fs_.FolderKey(Path("real")));
  EXPECT_TRUE(fs_.FolderKey(Path("missing")).isEmpty());
}

TEST_F(LocalFileSystemTest, TheScansQuestionsMatchTheAttributeBits) {
  MakeFolder("A");
  MakeFile("A/plain.msg");
  MakeFile("A/.hidden.msg");
  MakeFile("A/.readonly.msg");
  Chmod("A/.readonly.msg", 0444);
  MakeFolder("A/.folder");
  ASSERT_EQ(fs_.ListFiles(Path("A"), "*.*").size(), 3);
  EXPECT_TRUE(fs_.IsFileToAdd(Path("A/plain.msg")));
  EXPECT_FALSE(fs_.IsFileToAdd(Path("A/.hidden.msg")));
  EXPECT_TRUE(fs_.IsFileToAdd(Path("A/.readonly.msg")));
  EXPECT_FALSE(fs_.IsFileToAdd(Path("A/.folder")));
  EXPECT_FALSE(fs_.IsFileToAdd(Path("A/missing.msg")));
  EXPECT_FALSE(fs_.IsHiddenSystemFolder(Path("A/.folder")));  // no system bit on this platform
}

TEST_F(LocalFileSystemTest, TestsAfterAListingSeeTheDiskAsItIsNow) {
  MakeFolder("A");
  MakeFile("A/kept.msg");
  MakeFile("A/deleted.msg");
  ASSERT_EQ(fs_.ListFiles(Path("A"), "*.msg").size(), 2);
  ASSERT_TRUE(QFile::remove(Path("A/deleted.msg")));
  EXPECT_FALSE(fs_.FileExistsByOpen(Path("A/deleted.msg")));
  EXPECT_TRUE(fs_.FileExistsByOpen(Path("A//kept.msg")));
  // A folder moved away and replaced after the moment of its listing is not looked at.
  ASSERT_TRUE(QDir().rename(Path("A"), Path("B")));
  MakeFolder("A");
  MakeFile("A/new.msg");
  usleep(300 * 1000);
  EXPECT_TRUE(fs_.FileExistsByOpen(Path("A/new.msg")));
  EXPECT_FALSE(fs_.FileExistsByOpen(Path("A/kept.msg")));
  EXPECT_THROW(fs_.Attributes(Path("A/kept.msg")), AppError);
}

// Whether this process holds the folder open, as seen in /proc/self/fd.
bool HeldOpen(const QString& folder) {
  const QString target = QFileInfo(folder).canonicalFilePath();
  const QDir fds(QStringLiteral("/proc/self/fd"));
  for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
    if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target) return true;
  }
  return false;
}

TEST_F(LocalFileSystemTest, TheListedFolderIsClosedOnRequestWhenItExpiresAndWithTheFileSystem) {
  if (!QFileInfo::exists(QStringLiteral("/proc/self/fd"))) GTEST_SKIP() << "no /proc/self/fd here";
  MakeFolder("A");
  MakeFile("A/a.msg");
  ASSERT_EQ(fs_.ListFiles(Path("A"), "*.msg").size(), 1);
  EXPECT_TRUE(HeldOpen(Path("A")));
  fs_.ReleaseKeptFolder();
  EXPECT_FALSE(HeldOpen(Path("A")));
  EXPECT_TRUE(fs_.FileExistsByOpen(Path("A/a.msg")));  // still answered, by path

  ASSERT_EQ(fs_.ListFiles(Path("A"), "*.msg").size(), 1);
  usleep(300 * 1000);
  EXPECT_TRUE(fs_.FileExistsByOpen(Path("A/a.msg")));
  EXPECT_FALSE(HeldOpen(Path("A")));

  {
    LocalFileSystem other;
    ASSERT_EQ(other.ListFiles(Path("A"), "*.msg").size(), 1);
    EXPECT_TRUE(HeldOpen(Path("A")));
  }
  EXPECT_FALSE(HeldOpen(Path("A")));
}

TEST_F(LocalFileSystemTest, MakingAFolderPathMakesEveryMissingFolderOrNamesTheOneThatFailed) {
  QString failure;
  // Missing folders at any depth, through a doubled separator and with a trailing one.
  ASSERT_TRUE(MakeFolderPath(Path("new//deeper/deepest/"), failure)) << failure.toStdString();
  EXPECT_TRUE(QFileInfo(Path("new/deeper/deepest")).isDir());
  EXPECT_TRUE(MakeFolderPath(Path("new/deeper"), failure)) << "an existing folder is no failure";
  MakeFolder("real");
  Link(Path("real"), "linked");
  EXPECT_TRUE(MakeFolderPath(Path("linked/below"), failure));
  EXPECT_TRUE(QFileInfo(Path("real/below")).isDir());

  MakeFile("file");
  EXPECT_FALSE(MakeFolderPath(Path("file/below"), failure));
  EXPECT_EQ(failure, QStringLiteral("Not a directory: ") + Path("file"));
  EXPECT_FALSE(MakeFolderPath(Path("file"), failure));
  EXPECT_FALSE(MakeFolderPath(QString(), failure));
  if (::geteuid() == 0) return;  // the system lets its administrator write anywhere
  MakeFolder("locked");
  Chmod("locked", 0555);
  EXPECT_FALSE(MakeFolderPath(Path("locked/a/b"), failure));
  EXPECT_EQ(failure, QStringLiteral("Permission denied: ") + Path("locked/a"));
  Chmod("locked", 0755);
}

TEST(WildcardMatchTest, FollowsTheDesktopRules) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Case cases[] = {
      {"a.msg", "*.msg", true},       {"A.MsG", "*.msg", true},         {"a.msg.bak", "*.msg", false},
      {"amsg", "*.msg", false},       {"noext", "*.*", true},           {"a", "a.*", true},
      {"a.b", "a.*", true},           {"ab", "a.*", false},             {"abc", "a?c", true},
      {"ac", "a?c", false},           {"", "*", true},                  {"x", "", false},
      {"ÉTÉ.TXT", "été.txt", true},   {"ПИСЬМО.MSG", "письмо.*", true}, {"a.doc", "*.msg", false},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*c", false},
      {".msg", "*.msg", true},        {"lettre.ÉTÉ", "*.été", true},    {"msg", "*.msg", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(QString::fromUtf8(c.name), QString::fromUtf8(c.pattern)), c.match)
        << c.name << " ~ " << c.pattern;
}

TEST(SortNamesTest, IgnoresCaseAndBreaksTiesStably) {
  QStringList names = {"b", "B", "a", "C"};
  SortNames(names);
  EXPECT_EQ(names, (QStringList{"a", "B", "b", "C"}));
}

}  // namespace
