// Tests of the folder scan: the level-by-level walk on real and in-memory trees, the
// wildcard listing of one folder, and the name test.
#include "filelist/folder_scan.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <climits>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include "support/memory_file_system.h"
#include "support/scripted_dialogs.h"
#include "platform/app_error.h"
#include "platform/local_file_system.h"
#include "platform/native_names.h"
#include "support/tree_paths.h"

namespace {

class RealTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {  }

  QString Root() const { return TreeRoot(dir_) + u'/'; }
  void MakeFolder(const QString& relative) { ASSERT_TRUE(QDir().mkpath(Root() + relative)); }
  void MakeFile(const QString& relative) {
    QFile file(Root() + relative);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  void Link(const QString& target, const QString& relative) {
    ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(Root() + relative).constData()), 0);
  }
  QStringList Scan(const QString& relative) {
    QStringList folders = {Root() + relative};
    GetSubDirectories2016(folders, true, fs_, dialogs_);
    return folders;
  }
  QStringList Relative(const QStringList& folders) const {
    QStringList result;
    for (const QString& folder : folders) result.append(folder.mid(Root().size()));
    return result;
  }

  TempTree dir_;
  LocalFileSystem fs_;
  ScriptedDialogs dialogs_;
};

TEST_F(RealTreeTest, ListsFoldersLevelByLevel) {
  MakeFolder("A/x/p");
  MakeFolder("A/y");
  EXPECT_EQ(Relative(Scan("A/")), (QStringList{"A/", "A/x/", "A/y/", "A/x/p/"}));
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(RealTreeTest, WithoutRecursionOnlyOneLevelIsAdded) {
  MakeFolder("A/x/p");
  QStringList folders = {Root() + "A/"};
  GetSubDirectories2016(folders, false, fs_, dialogs_);
  EXPECT_EQ(Relative(folders), (QStringList{"A/", "A/x/"}));
}

TEST_F(RealTreeTest, AFolderWithoutSubFoldersLeavesTheListAsGiven) {
  MakeFolder("A");
  EXPECT_EQ(Relative(Scan("A/")), QStringList{"A/"});
  EXPECT_EQ(Relative(Scan("missing/")), QStringList{"missing/"});
}

TEST_F(RealTreeTest, HiddenFoldersAreReturnedAndSearched) {
  MakeFolder("A/.hidden/inner");
  EXPECT_EQ(Relative(Scan("A/")), (QStringList{"A/", "A/.hidden/", "A/.hidden/inner/"}));
}

TEST_F(RealTreeTest, NamesWithSpacesQuotesAndOtherScriptsAreScanned) {
  const QStringList names = {"with space", "it's \"quoted\"", QString::fromUtf8("“curly” – dash"),
                             QString::fromUtf8("Письма"), QString::fromUtf8("受信箱")};
  for (const QString& name : names) MakeFolder("A/" + name + "/deeper");
  const QStringList found = Relative(Scan("A/"));
  ASSERT_EQ(found.size(), 1 + 2 * names.size());
  for (const QString& name : names) {
    EXPECT_TRUE(found.contains("A/" + name + "/")) << name.toStdString();
    EXPECT_TRUE(found.contains("A/" + name + "/deeper/")) << name.toStdString();
  }
}

// Linux opens every name by its bytes: control characters, "?", line breaks and bytes that
// are not UTF-8 are ordinary, so those folders are searched and their files listed, and
// each listed path opens the very file it came from.
TEST_F(RealTreeTest, ControlCharactersQuestionMarksLineBreaksAndUndecodableNamesAreSearched) {
  MakeFolder("A/ok");
  MakeFolder(QStringLiteral("A/bell\u0007/below"));
  MakeFolder(QStringLiteral("A/c1\u0085/below"));
  MakeFolder("A/what?/below");
  MakeFolder("A/line\nbreak");
  const QByteArray bad = QFile::encodeName(Root() + "A/") + "bad\xff";
  ASSERT_EQ(mkdir(bad.constData(), 0755), 0);
  ASSERT_EQ(mkdir((bad + "/below").constData(), 0755), 0);
  const QByteArray file = bad + "/Caf\xe9 \xc3(.msg";  // Latin-1 and a cut sequence
  const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  ASSERT_GE(fd, 0);
  ::close(fd);

  const QStringList found = Relative(Scan("A/"));
  EXPECT_EQ(found.size(), 11) << found.join(u'|').toStdString();
  for (const QString& folder : {QStringLiteral("A/what?/below/"), QStringLiteral("A/line\nbreak/"),
                                QStringLiteral("A/bell\u0007/below/"), QStringLiteral("A/c1\u0085/below/")})
    EXPECT_TRUE(found.contains(folder)) << folder.toStdString();
  const QString badFolder = NameFromNative(bad) + u'/';
  ASSERT_TRUE(found.contains(badFolder.mid(Root().size())));
  const QStringList files = QualifyingFiles(fs_, {badFolder}, QStringLiteral("*.msg"), nullptr);
  ASSERT_EQ(files.size(), 1);
  EXPECT_EQ(NativeName(files[0]), file);  // the same bytes back, so the same file
  EXPECT_TRUE(NativeExists(files[0]) && !NativeIsFolder(files[0]));
}

// The name conversion keeps every byte: valid UTF-8 reads as text, anything else (a lone
// byte, a cut sequence, an overlong form, an encoded surrogate) as one held byte each.
TEST(NativeNames, EveryByteSequenceComesBackAsItWas) {
  const QByteArray samples[] = {"plain", "Caf\xc3\xa9", "\xff\xfe", "cut \xe2\x82", "overlong \xc0\xaf",
                                "surrogate \xed\xa0\x80", "\xf0\x9f\x98\x80 emoji", "mixed \xe9\xc3\xa9\x80"};
  for (const QByteArray& bytes : samples) EXPECT_EQ(NativeName(NameFromNative(bytes)), bytes) << bytes.toStdString();
  EXPECT_EQ(NameFromNative(QByteArray("Caf\xc3\xa9")), QString::fromUtf8("Café"));
  EXPECT_FALSE(HoldsRawBytes(NameFromNative(QByteArray("\xf0\x9f\x98\x80"))));
  EXPECT_TRUE(HoldsRawBytes(NameFromNative(QByteArray("\xe9"))));
}

TEST_F(RealTreeTest, EachFolderIsSearchedOnceHoweverManyLinksLeadToIt) {
  MakeFolder("A/x");
  Link(".", "A/self");
  Link("..", "A/x/up");
  MakeFolder("B/in");
  Link(Root() + "B", "A/l1");  // two links to one folder outside the tree
  Link(Root() + "B", "A/l2");
  Link(Root() + "A", "B/in/back");
  EXPECT_EQ(Relative(Scan("A/")), (QStringList{"A/", "A/l1/", "A/x/", "A/l1/in/"}));
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(RealTreeTest, ListFolderFilesMatchesIgnoringCaseWithHiddenFilesAndNoFolders) {
  MakeFolder("A");
  MakeFile("A/a.msg");
  MakeFile("A/B.MSG");
  MakeFile("A/.hidden.msg");
  MakeFile("A/note.txt");
  MakeFolder("A/x.msg");
  const QStringList expected = {".hidden.msg", "a.msg", "B.MSG"};
  EXPECT_EQ(ListFolderFiles(fs_, Root() + "A", "*.msg"), expected);
  EXPECT_EQ(ListFolderFiles(fs_, Root() + "A/", "*.msg"), expected);
  MakeFolder("empty");
  EXPECT_TRUE(ListFolderFiles(fs_, Root() + "empty", "*.*").isEmpty());
  EXPECT_THROW(ListFolderFiles(fs_, Root() + "missing", "*.*"), AppError);
}

TEST_F(RealTreeTest, QualifyingFilesFollowTheFolderAddsRulesWithoutAList) {
  MakeFolder("A/B");
  MakeFile("A/a.msg");
  MakeFile("A/~lock.msg");
  MakeFile("A/.hidden.msg");  // hidden and writable: attributes exactly hidden + archive
  MakeFile("A/B/b.MSG");
  MakeFile("A/B/c.txt");
  const QStringList files = QualifyingFiles(fs_, Scan("A/"), "*.msg", nullptr);
  EXPECT_EQ(Relative(files), QStringList({"A/a.msg", "A/B/b.MSG"}));
  EXPECT_TRUE(QualifyingFiles(fs_, {Root() + "missing/"}, "*.msg", nullptr).isEmpty());
}

TEST_F(RealTreeTest, FileExistsByOpenNeverThrows) {
  MakeFile("f");
  MakeFolder("d");
  EXPECT_TRUE(FileExistsByOpen(fs_, Root() + "f"));
  EXPECT_FALSE(FileExistsByOpen(fs_, Root() + "d"));
  EXPECT_FALSE(FileExistsByOpen(fs_, Root() + "missing"));
  EXPECT_FALSE(FileExistsByOpen(fs_, QString()));
}

class MemoryTreeTest : public ::testing::Test {
 protected:
  QStringList Scan(const QString& folder) {
    QStringList folders = {folder};
    GetSubDirectories2016(folders, true, fs_, dialogs_);
    return folders;
  }
  MemoryFileSystem fs_;
  ScriptedDialogs dialogs_;
};

TEST_F(MemoryTreeTest, HiddenSystemFoldersAndLinksAreNeitherReturnedNorSearched) {
  fs_.AddFolder("/A/sys", 22);
  fs_.AddFolder("/A/sys/inner");
  fs_.AddFolder("/A/junction", 1046);
  fs_.AddFolder("/A/hidden", 18);
  fs_.AddFolder("/A/hidden/inner");
  fs_.AddFolder("/A/link", 1040);
  fs_.AddFolder("/A/link/inner");
  EXPECT_EQ(Scan("/A/"), (QStringList{"/A/", "/A/hidden/", "/A/link/", "/A/hidden/inner/", "/A/link/inner/"}));
  EXPECT_EQ(fs_.ListingCount("/A/sys"), 0);
  EXPECT_EQ(fs_.ListingCount("/A/junction"), 0);
}

TEST_F(MemoryTreeTest, AChosenFolderThatIsHiddenSystemIsNotSearchedUnlessItIsTheRoot) {
  fs_.AddFolder("/A", 22);
  fs_.AddFolder("/A/x");
  EXPECT_EQ(Scan("/A/"), QStringList{"/A/"});
  fs_.AddFolder("/", 22);
  fs_.AddFolder("/B");
  EXPECT_EQ(Scan("//"), (QStringList{"//", "//B/"}));
}

TEST_F(MemoryTreeTest, ARootPickKeepsItsDoubledSeparatorInTheList) {
  fs_.AddFolder("/mail/inbox");
  EXPECT_EQ(Scan("//"), (QStringList{"//", "//mail/", "//mail/inbox/"}));
}

TEST_F(MemoryTreeTest, FoldersThatCannotBeListedAreDroppedAndTheRestIsScanned) {
  fs_.AddFolder("/A/a/deep");
  fs_.AddFolder("/A/b");
  fs_.AddFolder("/A/c/deep");
  fs_.AddFolder("/A/d");
  fs_.RefuseListing("/A/a", error_number::kPermissionDenied);
  fs_.RefuseListing("/A/b", error_number::kPathNotFound);
  fs_.RefuseListing("/A/d", error_number::kPermissionDenied);
  EXPECT_EQ(Scan("/A/"), (QStringList{"/A/", "/A/c/", "/A/c/deep/"}));
  EXPECT_TRUE(dialogs_.shown.empty());
  // The command names the folders it was refused (not one that vanished meanwhile).
  QStringList folders = {"/A/"};
  QStringList refused;
  GetSubDirectories2016(folders, true, fs_, dialogs_, {}, &refused);
  EXPECT_EQ(refused, (QStringList{"/A/a/", "/A/d/"}));
}

TEST_F(MemoryTreeTest, ARefusedChosenFolderLeavesTheCallersList) {
  fs_.AddFolder("/A/x");
  fs_.AddFolder("/B/y");
  fs_.RefuseListing("/A", error_number::kPermissionDenied);
  QStringList folders = {"/A/", "/B/"};
  GetSubDirectories2016(folders, true, fs_, dialogs_);
  EXPECT_EQ(folders, (QStringList{"/B/", "/B/y/"}));
}

TEST_F(MemoryTreeTest, OtherListingFailuresAreReportedAndTheFolderIsKept) {
  fs_.AddFolder("/A/bad/below");
  fs_.AddFolder("/A/good");
  fs_.RefuseListing("/A/bad", 57);
  EXPECT_EQ(Scan("/A/"), (QStringList{"/A/", "/A/bad/", "/A/good/"}));
  ASSERT_EQ(dialogs_.Messages().size(), 1u);
  EXPECT_TRUE(dialogs_.Messages()[0].contains("in MarrenTitle2021/08/31.AddFolder.GetSubDirectories2016 at line 118"));
}

TEST_F(MemoryTreeTest, LongNamesAreSkippedAndPathsEndAtTheSystemsLimit) {
  fs_.AddFolder("/A/" + QString(kScanPathLimit, u'n'));
  // Levels up to a path one byte short of the system's limit: searched; the next, returned.
  QString nearLimit = "/A";
  while (nearLimit.size() + 1 + 200 + 1 < PATH_MAX - 1) nearLimit += "/" + QString(200, u'm');
  nearLimit += "/" + QString(PATH_MAX - 1 - nearLimit.size() - 2, u'k');
  ASSERT_EQ(nearLimit.size() + 1, PATH_MAX - 1);
  fs_.AddFolder(nearLimit + "/x/y");
  const QStringList found = Scan("/A/");
  EXPECT_EQ(found.size(), nearLimit.count(u'/') + 1);
  EXPECT_EQ(found.mid(found.size() - 2), (QStringList{nearLimit + "/", nearLimit + "/x/"}));
  EXPECT_EQ(fs_.ListingCount(nearLimit), 1);
  EXPECT_EQ(fs_.ListingCount(nearLimit + "/x"), 0);
}

TEST_F(MemoryTreeTest, AFolderWhoseAttributesCannotBeReadIsReportedAndNotSearched) {
  class Unreadable : public MemoryFileSystem {
   public:
    int Attributes(const QString& path) const override {
      if (path.contains("locked")) throw AppError("Permission denied", error_number::kPermissionDenied);
      return MemoryFileSystem::Attributes(path);
    }
  } fs;
  fs.AddFolder("/A/locked/inner");
  fs.AddFolder("/A/open");
  QStringList folders = {"/A/"};
  GetSubDirectories2016(folders, true, fs, dialogs_);
  // Searching "locked" is skipped (a failed test counts as held); returning it is not.
  EXPECT_EQ(folders, (QStringList{"/A/", "/A/locked/", "/A/open/"}));
  EXPECT_EQ(fs.ListingCount("/A/locked"), 0);
  ASSERT_EQ(dialogs_.Messages().size(), 2u);
  EXPECT_TRUE(dialogs_.Messages()[0].contains("GetSubDirectories2016 at line 116"));
  EXPECT_TRUE(dialogs_.Messages()[1].contains("GetSubDirectories2016 at line 158"));
}

TEST_F(MemoryTreeTest, OtherWorkRunsInTheMiddleOfAScan) {
  for (int i = 0; i < 20; ++i) fs_.AddFolder(QStringLiteral("/A/f%1/g").arg(i));
  bool ran = false;
  int listingsAfterRun = 0;
  fs_.onListing = [&](const QString&) {
    if (ran) ++listingsAfterRun;
    usleep(2000);
  };
  QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { ran = true; }, Qt::QueuedConnection);
  Scan("/A/");
  EXPECT_TRUE(ran);
  EXPECT_GT(listingsAfterRun, 0);
}

// A stop asked for in the middle of a scan ends it there, not after the whole tree.
TEST_F(MemoryTreeTest, AStopEndsTheScanAtTheNextFolder) {
  for (int i = 0; i < 50; ++i) fs_.AddFolder(QStringLiteral("/A/f%1/g/h").arg(i));
  int listings = 0;
  fs_.onListing = [&](const QString&) { ++listings; };
  QStringList folders = {"/A/"};
  GetSubDirectories2016(folders, true, fs_, dialogs_, [&] { return listings >= 3; });
  EXPECT_EQ(listings, 3);
  EXPECT_TRUE(QualifyingFiles(fs_, {"/A/", "/A/f1/"}, "*.msg", nullptr, [] { return true; }).isEmpty());
}

TEST(HasUnusualCharactersTest, JudgesCodePoints) {
  EXPECT_FALSE(HasUnusualCharacters(""));
  EXPECT_FALSE(HasUnusualCharacters("Inbox 2021"));
  EXPECT_FALSE(HasUnusualCharacters(QString::fromUtf8("“Quotes” ‘single’ – — …")));
  EXPECT_FALSE(HasUnusualCharacters(QString::fromUtf8("Письма 受信箱 Ωμέγα שלום")));
  EXPECT_FALSE(HasUnusualCharacters(QString::fromUtf8("emoji 📨")));
  EXPECT_FALSE(HasUnusualCharacters(QStringLiteral("nbsp\u00A0é")));  // 160 is past the controls
  EXPECT_TRUE(HasUnusualCharacters("what?"));
  EXPECT_TRUE(HasUnusualCharacters(QStringLiteral("tab\there")));
  EXPECT_TRUE(HasUnusualCharacters(QStringLiteral("\u001F")));
  EXPECT_TRUE(HasUnusualCharacters(QStringLiteral("del\u007F")));
  EXPECT_TRUE(HasUnusualCharacters(QStringLiteral("c1\u0080")));
  EXPECT_TRUE(HasUnusualCharacters(QStringLiteral("c1\u009F")));
  EXPECT_TRUE(HasUnusualCharacters(QStringLiteral("undecodable\uFFFD")));
  EXPECT_TRUE(HasUnusualCharacters(QString(QChar(0xD800))));  // a lone surrogate
}

}  // namespace
