// The path helpers in both styles (a rooted Windows path stays rooted, a path longer than
// 32,767 characters takes apart), and the existence tests on real temporary files.
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <climits>
#include <gtest/gtest.h>

#include "platform/app_error.h"
#include "platform/paths.h"
#include "support/tree_paths.h"

namespace {
constexpr PathStyle kWin = PathStyle::Windows;
constexpr PathStyle kPosix = PathStyle::Posix;

struct Case {
  const char* input;
  const char* expected;
};

QString Q(const char* text) { return QString::fromUtf8(text); }

TEST(PathTable, GetFileNameInBothStyles) {
  for (const Case& c : {Case{R"(C:\a\b.msg)", "b.msg"}, Case{"b.msg", "b.msg"}, Case{R"(C:\a\)", ""},
                        Case{"", ""}})
    EXPECT_EQ(GetFileName(Q(c.input), kWin), Q(c.expected)) << c.input;
  for (const Case& c : {Case{"/a/b.msg", "b.msg"}, Case{"b.msg", "b.msg"}, Case{"/a/", ""}, Case{"", ""}})
    EXPECT_EQ(GetFileName(Q(c.input), kPosix), Q(c.expected)) << c.input;
  // Each style splits only at its own separator.
  EXPECT_EQ(GetFileName(Q(R"(a\b.msg)"), kPosix), Q(R"(a\b.msg)"));
  EXPECT_EQ(GetFileName(Q("a/b.msg"), kWin), Q("a/b.msg"));
}

TEST(PathTable, GetFolderPartInBothStyles) {
  for (const Case& c : {Case{R"(C:\a\b.msg)", R"(C:\a\)"}, Case{"b.msg", ""}, Case{R"(C:\a\)", R"(C:\a\)"},
                        Case{"", ""}})
    EXPECT_EQ(GetFolderPart(Q(c.input), kWin), Q(c.expected)) << c.input;
  for (const Case& c : {Case{"/a/b.msg", "/a/"}, Case{"b.msg", ""}, Case{"/a/", "/a/"}, Case{"", ""},
                        Case{"/x", "/"}})
    EXPECT_EQ(GetFolderPart(Q(c.input), kPosix), Q(c.expected)) << c.input;
}

TEST(PathTable, RemoveExtension) {
  for (const Case& c : {Case{"b.msg", "b"}, Case{"a.b.msg", "a.b"}, Case{"b", "b"}, Case{".msg", ".msg"},
                        Case{"b.", "b"}, Case{"", ""}})
    EXPECT_EQ(RemoveExtension(Q(c.input)), Q(c.expected)) << c.input;
}

TEST(PathTable, CollapseBackslashesWindowsStyle) {
  for (const Case& c : {Case{R"(C:\\a\\b.msg)", R"(C:\a\b.msg)"}, Case{R"(C:\\\a)", R"(C:\\a)"},
                        Case{R"(\\srv\share\\x)", R"(\\srv\share\x)"}, Case{R"(\\\\srv\x)", R"(\\srv\x)"},
                        Case{R"(\\\srv\\\\x)", R"(\\srv\\x)"}, Case{"", ""}, Case{R"(C:\a)", R"(C:\a)"}})
    EXPECT_EQ(CollapseBackslashes(Q(c.input), kWin), Q(c.expected)) << c.input;
  // Only backslashes are separators in Windows style.
  EXPECT_EQ(CollapseBackslashes(Q("a//b"), kWin), Q("a//b"));
}

// A rooted path with one leading backslash stays rooted: it must not become a network path
// naming a server "Out".
TEST(PathTable, CollapseBackslashesKeepsOneLeadingBackslash) {
  EXPECT_EQ(CollapseBackslashes(Q(R"(\Out\a.doc)"), kWin), Q(R"(\Out\a.doc)"));
  EXPECT_EQ(CollapseBackslashes(Q(R"(\a)"), kWin), Q(R"(\a)"));
  EXPECT_EQ(CollapseBackslashes(Q("\\"), kWin), Q("\\"));
  EXPECT_EQ(CollapseBackslashes(Q(R"(\Out\\a.doc)"), kWin), Q(R"(\Out\a.doc)"));
  // A run of two or more is a network path and keeps exactly two.
  EXPECT_EQ(CollapseBackslashes(Q(R"(\\)"), kWin), Q(R"(\\)"));
  EXPECT_EQ(CollapseBackslashes(Q(R"(\\\)"), kWin), Q(R"(\\)"));
}

TEST(PathTable, CollapseSeparatorsPosixStyleHasNoNetworkRule) {
  for (const Case& c : {Case{"/out//a.doc", "/out/a.doc"}, Case{"//out/a.doc", "/out/a.doc"},
                        Case{"/x///a", "/x//a"}, Case{"////x", "//x"}, Case{"/", "/"}, Case{"", ""}})
    EXPECT_EQ(CollapseBackslashes(Q(c.input), kPosix), Q(c.expected)) << c.input;
  // Backslashes are ordinary characters in POSIX names.
  EXPECT_EQ(CollapseBackslashes(Q(R"(a\\b)"), kPosix), Q(R"(a\\b)"));
}

// Positions past 32,767 characters take apart like any other.
TEST(PathTable, LongPathsTakeApartWithoutOverflow) {
  const QString folder = QString(40000, QLatin1Char('f')) + QLatin1Char('\\');
  const QString name = QString(33000, QLatin1Char('n')) + QStringLiteral(".x.msg");
  EXPECT_EQ(GetFolderPart(folder + name, kWin), folder);
  EXPECT_EQ(GetFileName(folder + name, kWin), name);
  EXPECT_EQ(RemoveExtension(name), name.left(name.size() - 4));
  EXPECT_EQ(GetFolderPart(QString(70000, QLatin1Char('/')) + QStringLiteral("a"), kPosix).size(), 70000);
}

TEST(PathTable, ALeadingTildeIsTheHomeFolderInPosixStyleOnly) {
  EXPECT_EQ(ExpandHomeFolder(Q("~/Out"), kPosix), QDir::homePath() + Q("/Out"));
  EXPECT_EQ(ExpandHomeFolder(Q("~"), kPosix), QDir::homePath());
  for (const char* unchanged : {"~user/Out", "/a/~/b", " ~/Out", ""})
    EXPECT_EQ(ExpandHomeFolder(Q(unchanged), kPosix), Q(unchanged)) << unchanged;
  EXPECT_EQ(ExpandHomeFolder(Q("~/Out"), kWin), Q("~/Out"));
}

TEST(PathTable, PathLimitIsTheStylesOwn) {
  EXPECT_FALSE(ExceedsPathLimit(QString(259, u'a'), kWin));
  EXPECT_TRUE(ExceedsPathLimit(QString(260, u'a'), kWin));
  EXPECT_FALSE(ExceedsPathLimit(QString(PATH_MAX - 1, u'a'), kPosix));
  EXPECT_TRUE(ExceedsPathLimit(QString(PATH_MAX, u'a'), kPosix));
  EXPECT_TRUE(ExceedsPathLimit(QString(PATH_MAX / 2, QChar(0x00E9)), kPosix));  // bytes, not characters
}

TEST(PathTable, NativeStyleIsThePlatformsOwn) {
#ifdef Q_OS_WIN
  EXPECT_EQ(NativePathStyle(), kWin);
#else
  EXPECT_EQ(NativePathStyle(), kPosix);
  EXPECT_EQ(PathSeparator(), QLatin1Char('/'));
  EXPECT_EQ(GetFileName(QStringLiteral("/a/b.msg")), QStringLiteral("b.msg"));
#endif
  EXPECT_EQ(PathSeparator(kWin), QLatin1Char('\\'));
}

class FileRoutines : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return TreeRoot(dir_) + QStringLiteral("/") + name; }
  void Write(const QString& name, const QByteArray& bytes) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  TempTree dir_;
};

TEST_F(FileRoutines, ExistenceTests) {
  Write(QStringLiteral("a.msg"), "x");
  QDir(TreeRoot(dir_)).mkdir(QStringLiteral("sub"));
  EXPECT_TRUE(FileExists(Path(QStringLiteral("a.msg"))));
  EXPECT_FALSE(FileExists(Path(QStringLiteral("missing.msg"))));
  EXPECT_FALSE(FileExists(QString()));
  EXPECT_FALSE(FileExists(QString::fromUtf8("bad\0name", 8)));
  EXPECT_TRUE(FolderExists(Path(QStringLiteral("sub"))));
  EXPECT_TRUE(FolderExists(QStringLiteral("/")));
  EXPECT_FALSE(FolderExists(Path(QStringLiteral("a.msg"))));
  EXPECT_FALSE(FolderExists(Path(QStringLiteral("missing"))));
  EXPECT_FALSE(FolderExists(QString()));
}

// Points the home and configuration folders at a temporary folder for one test.
class TemporaryHome {
 public:
  TemporaryHome() : home_(qgetenv("HOME")), config_(qgetenv("XDG_CONFIG_HOME")),
                    hadConfig_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
    qputenv("HOME", TreeRoot(dir_).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", TreePath(dir_, QStringLiteral("config")).toLocal8Bit());
  }
  ~TemporaryHome() {
    qputenv("HOME", home_);
    if (hadConfig_) qputenv("XDG_CONFIG_HOME", config_);
    else qunsetenv("XDG_CONFIG_HOME");
  }
  QString Path() const { return TreeRoot(dir_); }

 private:
  TempTree dir_;
  QByteArray home_;
  QByteArray config_;
  bool hadConfig_;
};

TEST(DesktopFolder, IsTheDesktopLocationWithASeparatorWhenItExists) {
  const TemporaryHome home;
  ASSERT_TRUE(QDir(home.Path()).mkdir(QStringLiteral("Desktop")));
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  ASSERT_EQ(desktop, home.Path() + QStringLiteral("/Desktop"));
  EXPECT_EQ(GetDesktopFolder(), QDir::toNativeSeparators(desktop) + PathSeparator());
}

TEST(DesktopFolder, IsTheHomeFolderWhenThereIsNoDesktopFolder) {
  const TemporaryHome home;
  EXPECT_EQ(GetDesktopFolder(), QDir::toNativeSeparators(home.Path()) + PathSeparator());
  EXPECT_TRUE(FolderExists(GetDesktopFolder()));
}
}  // namespace
