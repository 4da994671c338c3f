// Output paths built from the options, and kept apart within one run.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "support/qstring_printer.h"

#include "run/plan/output_names.h"
#include "support/tree_paths.h"

namespace {

QString Build(bool toFolder, bool besideSource, const char* folder, const char* source,
              PathStyle style) {
  return BuildOutputPath(toFolder, besideSource, QString::fromUtf8(folder),
                         QString::fromUtf8(source), style)
      .value_or(QStringLiteral("<unchanged>"));
}

TEST(BuildOutputPath, WindowsExamples) {
  const auto w = PathStyle::Windows;
  EXPECT_EQ(Build(true, false, "D:\\Out\\", "C:\\Mail\\a.msg", w), QStringLiteral("D:\\Out\\a.doc"));
  EXPECT_EQ(Build(true, false, "D:\\Out", "C:\\Mail\\a.msg", w), QStringLiteral("D:\\Out\\a.doc"));
  EXPECT_EQ(Build(false, true, "D:\\Out", "C:\\Mail\\a.b.msg", w), QStringLiteral("C:\\Mail\\a.b.doc"));
  EXPECT_EQ(Build(false, true, "", "C:\\Mail\\noext", w), QStringLiteral("C:\\Mail\\noext.doc"));
  EXPECT_EQ(Build(false, true, "", "C:\\Mail\\.msg", w), QStringLiteral("C:\\Mail\\.msg.doc"));
  EXPECT_EQ(Build(false, true, "", "\\\\srv\\share\\a.msg", w), QStringLiteral("\\\\srv\\share\\a.doc"));
}

TEST(BuildOutputPath, PosixFolderWithAndWithoutSeparator) {
  const auto p = PathStyle::Posix;
  EXPECT_EQ(Build(true, false, "/out/", "/mail/a.msg", p), QStringLiteral("/out/a.doc"));
  EXPECT_EQ(Build(true, false, "/out", "/mail/a.msg", p), QStringLiteral("/out/a.doc"));
  EXPECT_EQ(Build(false, true, "/out", "/mail/x y/\"q\".msg", p), QStringLiteral("/mail/x y/\"q\".doc"));
  // Option 1 wins when both are somehow selected.
  EXPECT_EQ(Build(true, true, "/out", "/mail/a.msg", p), QStringLiteral("/out/a.doc"));
}

TEST(BuildOutputPath, NeitherOptionLeavesThePathUnchanged) {
  EXPECT_FALSE(BuildOutputPath(false, false, QStringLiteral("/out"), QStringLiteral("/m/a.msg"),
                               PathStyle::Posix));
}

TEST(NumberedOutputPath, CounterGoesBeforeTheDocExtension) {
  EXPECT_EQ(NumberedOutputPath(QStringLiteral("/out/a.doc"), 2), QStringLiteral("/out/a (2).doc"));
  EXPECT_EQ(NumberedOutputPath(QStringLiteral("/out/a.b.doc"), 12), QStringLiteral("/out/a.b (12).doc"));
  EXPECT_EQ(NumberedOutputPath(QStringLiteral("/out/odd"), 3), QStringLiteral("/out/odd (3)"));
}

TEST(NumberedOutputPath, AName255BytesLongIsShortenedToFitTheNameLimit) {
  ASSERT_EQ(FileNameLimit(), 255);
  // "<251 a>.doc" is 255 bytes, the longest name there is.
  EXPECT_EQ(NumberedOutputPath("/out/" + QString(251, u'a') + ".doc", 12), "/out/" + QString(246, u'a') + " (12).doc");
  // Whole characters are cut: two bytes each for these letters, four for the last one.
  const QString wide = QString(123, QChar(0x00E9)) + QString::fromUtf8("😀");  // 250 bytes
  EXPECT_EQ(NumberedOutputPath("/out/" + wide + ".doc", 2), "/out/" + QString(123, QChar(0x00E9)) + " (2).doc");
  EXPECT_EQ(ShortenToNameLimit(QString(100, QChar(0x00E9)) + QString::fromUtf8("😀😀"), QString(50, u'x')),
            QString(100, QChar(0x00E9)) + QString::fromUtf8("😀"));  // 200 + 4 + 50 fits, 4 more would not
  EXPECT_EQ(ShortenToNameLimit("short", " (2).doc"), "short");
}

TEST(OutputNames, DifferentSourcesNeverShareADocument) {
  OutputNames names;
  const QString out = QStringLiteral("/out/a.doc");
  EXPECT_EQ(names.Claim(QStringLiteral("/m1/a.msg"), out), out);
  EXPECT_EQ(names.Claim(QStringLiteral("/m2/a.msg"), out), QStringLiteral("/out/a (2).doc"));
  EXPECT_EQ(names.Claim(QStringLiteral("/m3/a.eml"), out), QStringLiteral("/out/a (3).doc"));
}

TEST(OutputNames, TheSameSourceListedTwiceKeepsItsDocument) {
  OutputNames names;
  const QString out = QStringLiteral("/out/a.doc");
  names.Claim(QStringLiteral("/m1/a.msg"), out);
  EXPECT_EQ(names.Claim(QStringLiteral("/m2/a.msg"), out), QStringLiteral("/out/a (2).doc"));
  EXPECT_EQ(names.Claim(QStringLiteral("/m1/a.msg"), out), out);
  EXPECT_EQ(names.Claim(QStringLiteral("/m2/a.msg"), out), QStringLiteral("/out/a (2).doc"));
}

TEST(OutputNames, ANumberedNameTakenByItsOwnSourceIsSkipped) {
  OutputNames names;
  // "a (2).msg" takes "a (2).doc" first; the second "a.msg" must go on to "(3)".
  EXPECT_EQ(names.Claim(QStringLiteral("/m/a (2).msg"), QStringLiteral("/out/a (2).doc")),
            QStringLiteral("/out/a (2).doc"));
  EXPECT_EQ(names.Claim(QStringLiteral("/m1/a.msg"), QStringLiteral("/out/a.doc")), QStringLiteral("/out/a.doc"));
  EXPECT_EQ(names.Claim(QStringLiteral("/m2/a.msg"), QStringLiteral("/out/a.doc")), QStringLiteral("/out/a (3).doc"));
}

TEST(OutputNames, NumberingSkipsTheUsersOwnDocumentsOnDisk) {
  TempTree dir;
  
  const QString out = TreePath(dir, QStringLiteral("a.doc"));
  for (const char* existing : {"a.doc", "a (2).doc", "a (3).doc"}) {
    QFile file(TreePath(dir, QString::fromUtf8(existing)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("mine");
  }
  OutputNames names;
  // The wanted name still replaces an earlier output; the numbered ones keep clear of
  // the user's "a (2).doc" and "a (3).doc".
  EXPECT_EQ(names.Claim(QStringLiteral("/m1/a.msg"), out), out);
  EXPECT_EQ(names.Claim(QStringLiteral("/m2/a.msg"), out), TreePath(dir, QStringLiteral("a (4).doc")));
  EXPECT_EQ(names.Claim(QStringLiteral("/m3/a.msg"), out), TreePath(dir, QStringLiteral("a (5).doc")));
  // A source asking again keeps its own name even once that document exists.
  EXPECT_EQ(names.Claim(QStringLiteral("/m2/a.msg"), out), TreePath(dir, QStringLiteral("a (4).doc")));
}

TEST(OutputNames, ANumberedNameClaimedInThisRunIsNotCountedAsTheUsers) {
  // "a (2).msg" writes "a (2).doc" during the run; asking again for it is not refused
  // because the document now exists.
  OutputNames names([](const QString&) { return true; });
  const QString numbered = QStringLiteral("/out/a (2).doc");
  EXPECT_EQ(names.Claim(QStringLiteral("/m/a (2).msg"), numbered), numbered);
  EXPECT_EQ(names.Claim(QStringLiteral("/m/a.msg"), QStringLiteral("/out/a.doc")), QStringLiteral("/out/a.doc"));
}

TEST(OutputNames, KeepingExistingDocumentsNumbersPastThemButNotPastThisRunsOwn) {
  // On disk: the user's a.doc and a (2).doc; this run then writes what it was given.
  QStringList onDisk{QStringLiteral("/out/a.doc"), QStringLiteral("/out/a (2).doc")};
  OutputNames names([&](const QString& path) { return onDisk.contains(path); }, ExistingDocuments::kKeep);
  const QString wanted = QStringLiteral("/out/a.doc");
  EXPECT_EQ(names.Claim(QStringLiteral("/m1/a.msg"), wanted), QStringLiteral("/out/a (3).doc"));
  onDisk << QStringLiteral("/out/a (3).doc");
  EXPECT_EQ(names.Claim(QStringLiteral("/m1/a.msg"), wanted), QStringLiteral("/out/a (3).doc"));
  EXPECT_EQ(names.Claim(QStringLiteral("/m2/a.msg"), wanted), QStringLiteral("/out/a (4).doc"));
  // A name nobody has yet is simply taken.
  EXPECT_EQ(names.Claim(QStringLiteral("/m1/b.msg"), QStringLiteral("/out/b.doc")), QStringLiteral("/out/b.doc"));
  // Replacing is the other choice: the wanted name is taken whatever stands there.
  OutputNames replacing([&](const QString& path) { return onDisk.contains(path); }, ExistingDocuments::kReplace);
  EXPECT_EQ(replacing.Claim(QStringLiteral("/m1/a.msg"), wanted), wanted);
}

}  // namespace

namespace {

// The sub-folder kept below a root: from the path's text (a link keeps its own name), never
// with "." or "..", nothing for a file added by itself or found elsewhere.
TEST(KeptSubFolder, TheMessagesPlaceBelowTheFolderItWasFoundThrough) {
  const auto p = PathStyle::Posix;
  EXPECT_EQ(KeptSubFolder("/mail", "/mail/2024/March/a.msg", p), QStringLiteral("2024/March"));
  EXPECT_EQ(KeptSubFolder("/mail/", "/mail/2024/a.msg", p), QStringLiteral("2024"));
  EXPECT_EQ(KeptSubFolder("/mail", "/mail/a.msg", p), QString());
  EXPECT_EQ(KeptSubFolder("/", "/mail/a.msg", p), QStringLiteral("mail"));
  EXPECT_EQ(KeptSubFolder("", "/mail/x/a.msg", p), QString()) << "a file added by itself";
  EXPECT_EQ(KeptSubFolder("/mail", "/mailbox/x/a.msg", p), QString()) << "a neighbour is not below the root";
  EXPECT_EQ(KeptSubFolder("/mail", "/mail/link to old/y/a.msg", p), QStringLiteral("link to old/y"));
  EXPECT_EQ(KeptSubFolder("/mail", "/mail/x/../../etc/a.msg", p), QString());
  EXPECT_EQ(KeptSubFolder("/mail", "/mail/./x/a.msg", p), QString());
  EXPECT_EQ(KeptSubFolder("C:\\Mail", "C:\\Mail\\2024\\a.msg", PathStyle::Windows), QStringLiteral("2024"));
}

// The wanted path of a row: the sub-folder only under the output folder and only when asked
// for; a name from the message in place of the file's, cut to the name limit.
TEST(KeptSubFolder, WantedPathsJoinTheOptionsTheRootAndTheName) {
  PathChoice choice;
  choice.toFolder = true;
  choice.folder = QStringLiteral("/out/");
  const QString source = QStringLiteral("/mail/2024/RE 7.msg");
  EXPECT_EQ(WantedOutputPath(choice, source, QStringLiteral("/mail"), {}), QStringLiteral("/out/RE 7.doc"));
  choice.keepFolders = true;
  EXPECT_EQ(WantedOutputPath(choice, source, QStringLiteral("/mail"), {}), QStringLiteral("/out/2024/RE 7.doc"));
  EXPECT_EQ(WantedOutputPath(choice, source, QString(), {}), QStringLiteral("/out/RE 7.doc"));
  EXPECT_EQ(WantedOutputPath(choice, source, QStringLiteral("/mail"), QStringLiteral("2024-12-08 1405 Plan")),
            QStringLiteral("/out/2024/2024-12-08 1405 Plan.doc"));
  EXPECT_EQ(WantedOutputPath(choice, source, QStringLiteral("/mail"), QString(300, u'x')),
            "/out/2024/" + QString(251, u'x') + ".doc");
  // Beside the message: the tree is where the message is already; the name still applies.
  choice.toFolder = false;
  choice.beside = true;
  EXPECT_EQ(WantedOutputPath(choice, source, QStringLiteral("/mail"), QStringLiteral("Plan")),
            QStringLiteral("/mail/2024/Plan.doc"));
  choice.beside = false;
  EXPECT_EQ(WantedOutputPath(choice, source, QStringLiteral("/mail"), {}), QString());
}

// Numbering is per folder: the same name in two sub-folders is no collision.
TEST(KeptSubFolder, NamesAreNumberedPerFolder) {
  OutputNames names([](const QString&) { return false; });
  EXPECT_EQ(names.Claim("/m/a/x.msg", "/out/a/x.doc"), QStringLiteral("/out/a/x.doc"));
  EXPECT_EQ(names.Claim("/m/b/x.msg", "/out/b/x.doc"), QStringLiteral("/out/b/x.doc"));
  EXPECT_EQ(names.Claim("/m/a/x.MSG", "/out/a/x.doc"), QStringLiteral("/out/a/x (2).doc"));
}

}  // namespace
