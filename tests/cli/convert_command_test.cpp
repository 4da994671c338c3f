// `lorvane convert` end to end: a folder tree of good, damaged and same-named messages with
// the real converter, --beside, the report formats, usage and set-up errors, a converter
// stand-in that hangs or crashes, an interrupt, and GNU parallel over chunks of a file list.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <cstdio>
#include <functional>
#include <thread>

#include "cli/convert_command.h"
#include "cli/convert_options.h"
#include "platform/boolean_text.h"
#include "run/run_options.h"
#include "cli/progress_line.h"
#include "run/plan/run_report.h"
#include "run/window/save_list.h"
#include "cli/terminal_text.h"
#include "pdf/office_location.h"
#include "pdf/office_pipes.h"
#include "platform/native_names.h"
#include "msgwriter/message_builder.h"
#include "support/message_files.h"
#include "support/planted_journals.h"
#include "support/slow_message.h"
#include "support/qstring_printer.h"
#include "support/scripted_dialogs.h"
#include "support/tree_paths.h"

namespace {

using run_testing::DocumentFor;
using run_testing::ReadAll;
using run_testing::RtfFor;

QString ReadStream(std::FILE* stream) {
  std::rewind(stream);
  QByteArray bytes;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;) bytes.append(buffer, static_cast<qsizetype>(n));
  std::fclose(stream);
  return QString::fromUtf8(bytes);
}

// Every file below a folder, as paths relative to it, sorted.
QStringList FilesBelow(const QString& folder) {
  QStringList files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) files << QDir(folder).relativeFilePath(it.next());
  files.sort();
  return files;
}

class ConvertCommandTest : public ::testing::Test {
 protected:
  struct Result {
    int status;
    QString out, err;
  };

  void SetUp() override {  }

  QString Path(const QString& relative) const { return TreePath(dir_, relative); }
  // A good message whose document names it.
  QString Message(const QString& relative) {
    QDir().mkpath(QFileInfo(Path(relative)).path());
    EXPECT_TRUE(run_testing::WriteMessage(Path(relative), RtfFor(relative)));
    return Path(relative);
  }
  QString Damaged(const QString& relative) {
    QDir().mkpath(QFileInfo(Path(relative)).path());
    EXPECT_TRUE(run_testing::WriteDamagedMessage(Path(relative)));
    return Path(relative);
  }
  static QByteArray DocumentOf(const QString& relative) { return DocumentFor(RtfFor(relative)); }

  Result Run(const QStringList& arguments, const QByteArray& image = {}, bool terminal = false) {
    CommandEnvironment environment;
    environment.errIsTerminal = terminal;
    environment.out = std::tmpfile();
    environment.err = std::tmpfile();
    environment.cores = 2;
    environment.converterImage = image;
    const int status = RunConvertCommand(arguments, environment);
    return {status, ReadStream(environment.out), ReadStream(environment.err)};
  }
  static QByteArray StandIn() { return ReadAll(QStringLiteral(SERVE_STAND_IN_EXE)); }

  TempTree dir_;
};

TEST_F(ConvertCommandTest, FolderTreeConvertsWithTheWindowsNamesKeepingExistingDocuments) {
  Message(QStringLiteral("in/a.msg"));
  Damaged(QStringLiteral("in/b.msg"));
  Message(QStringLiteral("in/sub/a.msg"));
  Message(QStringLiteral("in/sub/c.MSG"));
  Message(QStringLiteral("in/~draft.msg"));
  Message(QStringLiteral("in/note.txt"));
  QDir().mkpath(Path(QStringLiteral("out")));
  QFile mine(Path(QStringLiteral("out/a.doc")));
  ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
  mine.write("mine");
  mine.close();

  const Result run = Run({QStringLiteral("--output"), Path(QStringLiteral("out")), QStringLiteral("--jobs=2"),
                          QStringLiteral("--report"), Path(QStringLiteral("r.tsv")), Path(QStringLiteral("in"))});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/a.doc"))), QByteArray("mine"));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/a (2).doc"))), DocumentOf(QStringLiteral("in/a.msg")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/a (3).doc"))), DocumentOf(QStringLiteral("in/sub/a.msg")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/c.doc"))), DocumentOf(QStringLiteral("in/sub/c.MSG")));
  EXPECT_EQ(FilesBelow(Path(QStringLiteral("out"))),
            QStringList({QStringLiteral("a (2).doc"), QStringLiteral("a (3).doc"), QStringLiteral("a.doc"),
                         QStringLiteral("c.doc")}));
  const QStringList report = QString::fromUtf8(ReadAll(Path(QStringLiteral("r.tsv")))).split(u'\n');
  ASSERT_EQ(report.size(), 6) << qPrintable(report.join(u'\n'));
  EXPECT_EQ(report[0], QStringLiteral("source\toutput\tstatus\treason\tattachments\tmessages"));
  EXPECT_EQ(report[1], Path(QStringLiteral("in/a.msg")) + u'\t' + Path(QStringLiteral("out/a (2).doc")) +
                           QStringLiteral("\tconverted\t\t0\t0"));
  EXPECT_TRUE(report[2].startsWith(Path(QStringLiteral("in/b.msg")) + u'\t' + Path(QStringLiteral("out/b.doc")) +
                                   QStringLiteral("\tfailed\t")));
  EXPECT_TRUE(report[3].startsWith(Path(QStringLiteral("in/sub/a.msg")) + u'\t'));
  EXPECT_TRUE(report[4].startsWith(Path(QStringLiteral("in/sub/c.MSG")) + u'\t'));
  EXPECT_EQ(report[5], QString());
  const QString reason = report[2].section(u'\t', 3, 3);
  EXPECT_FALSE(reason.isEmpty());
  EXPECT_TRUE(run.err.contains(QStringLiteral("failed: ") + Path(QStringLiteral("in/b.msg")) + QStringLiteral(": ") + reason))
      << qPrintable(run.err);
  EXPECT_TRUE(reason.startsWith(QStringLiteral("The message file is damaged and cannot be read. (")))
      << qPrintable(reason);
  EXPECT_TRUE(run.err.endsWith(QStringLiteral("Converted 3 of 4 messages, 1 failed, 2 written under numbered names.\n")))
      << qPrintable(run.err);

  // With --replace the wanted name is taken over, and a file named on the command line is
  // converted whatever its extension.
  const Result again = Run({QStringLiteral("--output"), Path(QStringLiteral("out")), QStringLiteral("--replace"),
                            QStringLiteral("--quiet"), Path(QStringLiteral("in/a.msg")), Path(QStringLiteral("in/note.txt"))});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.err, QString());
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/a.doc"))), DocumentOf(QStringLiteral("in/a.msg")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/note.doc"))), DocumentOf(QStringLiteral("in/note.txt")));

  // One message named twice through a link to its folder is one message, and the closing
  // line says so.
  ASSERT_TRUE(QFile::link(Path(QStringLiteral("in/sub")), Path(QStringLiteral("in2"))));
  QDir().mkpath(Path(QStringLiteral("linked")));
  const Result linked = Run({QStringLiteral("--output"), Path(QStringLiteral("linked")), Path(QStringLiteral("in/sub/a.msg")),
                             Path(QStringLiteral("in2/a.msg"))});
  EXPECT_EQ(linked.status, 0) << qPrintable(linked.err);
  EXPECT_EQ(FilesBelow(Path(QStringLiteral("linked"))), QStringList{QStringLiteral("a.doc")});
  EXPECT_TRUE(linked.err.endsWith(QStringLiteral("Converted 1 of 1 messages, 0 failed, 1 listed twice.\n")))
      << qPrintable(linked.err);
}

// --header reaches every converter: the subject comes before the body.
TEST_F(ConvertCommandTest, HeaderOpensEachDocumentWithTheMessagesSubject) {
  msgwriter::MessageBuilder message;
  message.AddRtfBody(RtfFor(QStringLiteral("s.msg"))).AddUnicode(0x0037, u"Quarterly figures");
  ASSERT_TRUE(run_testing::WriteBytes(Path(QStringLiteral("s.msg")), message.Build()));
  const Result run = Run({QStringLiteral("--beside"), QStringLiteral("--header"), QStringLiteral("--quiet"),
                          Path(QStringLiteral("s.msg"))});
  EXPECT_EQ(run.status, 0) << qPrintable(run.err);
  const QByteArray document = ReadAll(Path(QStringLiteral("s.doc")));
  const qsizetype subject = document.indexOf("Quarterly figures");
  EXPECT_TRUE(subject > 0 && subject < document.indexOf("Message s.msg")) << document.constData();
}

TEST_F(ConvertCommandTest, BesideWritesNextToEachMessageWithAJsonLinesReport) {
  Message(QStringLiteral("tree/one/x.msg"));
  Message(QStringLiteral("tree/two/x.msg"));
  Message(QStringLiteral("tree/two/tab\there.msg"));
  const Result run = Run({QStringLiteral("--beside"), QStringLiteral("--report"), Path(QStringLiteral("r.jsonl")),
                          Path(QStringLiteral("tree"))});
  EXPECT_EQ(run.status, 0) << qPrintable(run.err);
  // Not a terminal: the counts still close the run (only --quiet leaves them out).
  EXPECT_EQ(run.err, QStringLiteral("Converted 3 of 3 messages, 0 failed.\n"));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("tree/one/x.doc"))), DocumentOf(QStringLiteral("tree/one/x.msg")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("tree/two/x.doc"))), DocumentOf(QStringLiteral("tree/two/x.msg")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("tree/two/tab\there.doc"))), DocumentOf(QStringLiteral("tree/two/tab\there.msg")));
  const QStringList lines = QString::fromUtf8(ReadAll(Path(QStringLiteral("r.jsonl")))).split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[1], QStringLiteral("{\"source\":\"%1\",\"output\":\"%2\",\"status\":\"converted\",\"reason\":\"\",\"attachments\":0,\"messages\":0}")
                          .arg(Path(QStringLiteral("tree/two/tab\\there.msg")), Path(QStringLiteral("tree/two/tab\\there.doc"))));
  // On a terminal the counts close the run.
  const Result shown = Run({QStringLiteral("--beside"), QStringLiteral("--replace"), Path(QStringLiteral("tree/one"))}, {},
                           true);
  EXPECT_TRUE(shown.err.endsWith(QStringLiteral("Converted 1 of 1 messages, 0 failed.\n"))) << qPrintable(shown.err);
}

TEST(RunReport, FieldsAreEscapedSoEveryMessageIsOneLine) {
  const std::vector<ReportLine> lines{{QStringLiteral("/m/a\tb\\c.msg"), QStringLiteral("/o/\"q\"\n.doc"),
                                       QStringLiteral("failed"), QStringLiteral("bad\r\x01")},
                                      {QStringLiteral("/m/k.msg"), QStringLiteral("/o/k.doc"), QStringLiteral("converted"),
                                       QString(), 3, 22}};
  EXPECT_EQ(ReportText(lines, ReportFormat::kTsv),
            QByteArray("source\toutput\tstatus\treason\tattachments\tmessages\n"
                       "/m/a\\tb\\\\c.msg\t/o/\"q\"\\n.doc\tfailed\tbad\\r\x01\t0\t0\n"
                       "/m/k.msg\t/o/k.doc\tconverted\t\t3\t22\n"));
  EXPECT_EQ(ReportText(lines, ReportFormat::kJsonLines),
            QByteArray("{\"source\":\"/m/a\\tb\\\\c.msg\",\"output\":\"/o/\\\"q\\\"\\n.doc\",\"status\":\"failed\","
                       "\"reason\":\"bad\\r\\u0001\",\"attachments\":0,\"messages\":0}\n"
                       "{\"source\":\"/m/k.msg\",\"output\":\"/o/k.doc\",\"status\":\"converted\",\"reason\":\"\","
                       "\"attachments\":3,\"messages\":22}\n"));
  EXPECT_EQ(ReportFormatFor(QStringLiteral("x.JSONL")), ReportFormat::kJsonLines);
  EXPECT_EQ(ProgressText(50, 200, 1, 1000), QStringLiteral("50/200 done, 1 failed, 50 messages/s, about 3 s left"));
  EXPECT_EQ(ProgressText(0, 200, 0, 0), QStringLiteral("0/200 done, 0 failed"));
}

// The window's "Save List..." writes the command's report of the same lines: the dialog
// opens at the suggested name in the output folder, a bare name becomes .tsv, Cancel writes
// nothing, and a file that cannot be written is said in a box.
TEST(RunReport, TheWindowSavesTheListAsTheCommandsReport) {
  const TempTree tree;
  const std::vector<ReportLine> lines{
      {QStringLiteral("/m/a.msg"), QStringLiteral("/o/a.doc"), QStringLiteral("converted"), QString()},
      {QStringLiteral("/m/b.msg"), QStringLiteral("/o/b.doc"), QStringLiteral("failed"), QStringLiteral("Damaged. (crc)")}};
  ScriptedDialogs dialogs;
  dialogs.AnswerSaveFile(TreePath(tree, QStringLiteral("failures")));
  dialogs.AnswerSaveFile(QString());
  dialogs.AnswerSaveFile(TreePath(tree, QStringLiteral("gone/list.tsv")));
  const std::function<void()> save = SaveListAction(dialogs, lines, TreeRoot(tree) + u'/');
  for (int i = 0; i < 3; ++i) save();

  EXPECT_EQ(ReadAll(TreePath(tree, QStringLiteral("failures.tsv"))), ReportText(lines, ReportFormat::kTsv));
  EXPECT_EQ(FilesBelow(TreeRoot(tree)), QStringList{QStringLiteral("failures.tsv")});
  ASSERT_EQ(dialogs.shown.size(), 4u);
  EXPECT_EQ(dialogs.shown[0].kind, ShownBox::Kind::SaveFile);
  EXPECT_EQ(dialogs.shown[0].extra, TreePath(tree, kSavedListName));
  EXPECT_EQ(dialogs.Messages(), std::vector<QString>{QStringLiteral("The list could not be saved:\r\n") +
                                                     TreePath(tree, QStringLiteral("gone/list.tsv")) +
                                                     QStringLiteral("\r\nNo such file or directory")});
  EXPECT_TRUE(dialogs.AllAnswersUsed());
}

// A report over an older one keeps that one's permissions (readable, not writable, by the
// group), and a new report gets those of any file the user makes; no temporary file stays.
TEST(RunReport, AnOlderReportsPermissionsAreKeptAndANewReportTakesTheUmasks) {
  const TempTree tree;
  const std::vector<ReportLine> lines{{QStringLiteral("/m/a.msg"), QStringLiteral("/o/a.doc"), QStringLiteral("converted"), {}}};
  tree.File("old.tsv", "older report\n");
  tree.Mode("old.tsv", 0640);
  const mode_t mask = ::umask(022);
  QString failure;
  const bool replaced = WriteReport(TreePath(tree, QStringLiteral("old.tsv")), lines, failure);
  const bool made = WriteReport(TreePath(tree, QStringLiteral("new.jsonl")), lines, failure);
  ::umask(mask);
  ASSERT_TRUE(replaced && made) << qPrintable(failure);
  struct stat old, fresh;
  ASSERT_EQ(::stat(tree.Path("old.tsv").c_str(), &old), 0);
  ASSERT_EQ(::stat(tree.Path("new.jsonl").c_str(), &fresh), 0);
  EXPECT_EQ(old.st_mode & 07777, 0640u);
  EXPECT_EQ(fresh.st_mode & 07777, 0644u);
  EXPECT_EQ(ReadAll(TreePath(tree, QStringLiteral("old.tsv"))), ReportText(lines, ReportFormat::kTsv));
  EXPECT_EQ(QDir(TreeRoot(tree)).entryList(QDir::Files | QDir::Hidden),
            (QStringList{QStringLiteral("new.jsonl"), QStringLiteral("old.tsv")}));
}

TEST(ConvertOptions, ValuesInlineOrNextDefaultsAndPathsAfterTheEndOfOptions) {
  QString error;
  const auto defaults = ParseConvertOptions({QStringLiteral("in")}, 6, error);
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->jobs, 6);
  EXPECT_EQ(defaults->outputFolder, QStringLiteral("."));
  EXPECT_EQ(defaults->extension, QStringLiteral("msg"));
  EXPECT_EQ(defaults->timeoutSeconds, 120);
  EXPECT_FALSE(defaults->beside || defaults->replace || defaults->quiet);
  const auto given = ParseConvertOptions({QStringLiteral("--extension=.EML"), QStringLiteral("--timeout"),
                                          QStringLiteral("5"), QStringLiteral("--beside"), QStringLiteral("a"),
                                          QStringLiteral("--"), QStringLiteral("--odd name"), QStringLiteral("-")},
                                         2, error);
  ASSERT_TRUE(given) << qPrintable(error);
  EXPECT_EQ(given->extension, QStringLiteral("EML"));
  EXPECT_EQ(given->timeoutSeconds, 5);
  EXPECT_TRUE(given->beside);
  EXPECT_TRUE(given->outputFolder.isEmpty());
  EXPECT_EQ(given->paths, QStringList({QStringLiteral("a"), QStringLiteral("--odd name"), QStringLiteral("-")}));
  // --help needs no path.
  EXPECT_TRUE(ParseConvertOptions({QStringLiteral("--help")}, 1, error)->help);

  // A value after a space or after "=", options after the paths, the last of two values.
  const auto spaced = ParseConvertOptions({QStringLiteral("a"), QStringLiteral("--jobs"), QStringLiteral("3"),
                                           QStringLiteral("--header"), QStringLiteral("--jobs=4"),
                                           QStringLiteral("--output"), QStringLiteral("-"), QStringLiteral("b")},
                                          2, error);
  ASSERT_TRUE(spaced) << qPrintable(error);
  EXPECT_EQ(spaced->jobs, 4);
  EXPECT_EQ(spaced->outputFolder, QStringLiteral("-"));
  EXPECT_TRUE(spaced->documents.header_block);
  EXPECT_EQ(spaced->paths, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
  EXPECT_FALSE(defaults->documents.header_block);
  // A path that begins with "-" needs "--" before it; without, it is read as options.
  EXPECT_FALSE(ParseConvertOptions({QStringLiteral("-xodd.msg")}, 1, error));
  EXPECT_EQ(error, QStringLiteral("unknown option -x"));
  EXPECT_FALSE(ParseConvertOptions({QStringLiteral("--odd.msg")}, 1, error));
  EXPECT_EQ(error, QStringLiteral("unknown option --odd.msg"));
  EXPECT_FALSE(ParseConvertOptions({QStringLiteral("a"), QStringLiteral("--beside=no")}, 1, error));
  EXPECT_EQ(error, QStringLiteral("--beside takes no value"));
  EXPECT_FALSE(ParseConvertOptions({QStringLiteral("--output=")}, 1, error));
  EXPECT_EQ(error, QStringLiteral("--output needs a folder"));
}

// The help lists every option the parser takes, each with its own text, the short forms
// before the long ones.
TEST(ConvertOptions, HelpListsEveryOption) {
  const QString help = ConvertHelpText();
  for (const char* line : {"  -o, --output DIR      write the documents", "      --beside          ",
                           "  -f, --format FORMAT   doc (the default: RTF text that word processors open,",
                           "      --extension EXT   ", "  -j, --jobs N          ",
                           "      --timeout SECONDS fail", "      --report FILE     ",
                           "\n                        tab-separated for FILE.tsv", "      --replace         ",
                           "      --header          open each document", "  -q, --quiet           ",
                           "  -h, --help            ", "  -V, --version         ", "3 no message found"})
    EXPECT_TRUE(help.contains(QString::fromUtf8(line))) << line;
  QString error;
  for (const QString& flag : {QStringLiteral("--beside"), QStringLiteral("--replace"), QStringLiteral("--header"),
                              QStringLiteral("--quiet"), QStringLiteral("--help"), QStringLiteral("--version")})
    EXPECT_TRUE(ParseConvertOptions({flag, QStringLiteral("in")}, 1, error)) << qPrintable(flag) << qPrintable(error);
}

// The common options have the one-letter forms people type: each on its own, with its
// value after a space or joined to it, and several letters after one dash.
TEST(ConvertOptions, ShortOptionsAreTheLongOnes) {
  QString error;
  const auto spaced = ParseConvertOptions({QStringLiteral("-o"), QStringLiteral("out"), QStringLiteral("-j"),
                                           QStringLiteral("3"), QStringLiteral("-f"), QStringLiteral("pdf"),
                                           QStringLiteral("-q"), QStringLiteral("in")},
                                          2, error);
  ASSERT_TRUE(spaced) << qPrintable(error);
  EXPECT_EQ(spaced->outputFolder, QStringLiteral("out"));
  EXPECT_EQ(spaced->jobs, 3);
  EXPECT_EQ(spaced->run.format, DocumentFormat::kPdf);
  EXPECT_TRUE(spaced->quiet);
  EXPECT_EQ(spaced->paths, QStringList{QStringLiteral("in")});
  const auto joined = ParseConvertOptions({QStringLiteral("-qj4"), QStringLiteral("-oout"), QStringLiteral("in")}, 2, error);
  ASSERT_TRUE(joined) << qPrintable(error);
  EXPECT_TRUE(joined->quiet);
  EXPECT_EQ(joined->jobs, 4);
  EXPECT_EQ(joined->outputFolder, QStringLiteral("out"));
  EXPECT_TRUE(ParseConvertOptions({QStringLiteral("-h")}, 1, error)->help);
  EXPECT_TRUE(ParseConvertOptions({QStringLiteral("-V")}, 1, error)->version);
  // A short option's faults are told in its long name's words.
  EXPECT_FALSE(ParseConvertOptions({QStringLiteral("in"), QStringLiteral("-j"), QStringLiteral("0")}, 1, error));
  EXPECT_EQ(error, QStringLiteral("--jobs needs a whole number from 1 to 1024"));
  EXPECT_FALSE(ParseConvertOptions({QStringLiteral("in"), QStringLiteral("-o")}, 1, error));
  EXPECT_EQ(error, QStringLiteral("--output needs a value"));
  EXPECT_FALSE(ParseConvertOptions({QStringLiteral("-v"), QStringLiteral("in")}, 1, error));
  EXPECT_EQ(error, QStringLiteral("unknown option -v"));
}

// The document options are the flags they have always been, each setting its own field
// and no other; the converter's replace stays the run's: --replace plans which documents
// are replaced and never asks every conversion to replace. Each option's help is wrapped
// to 80 columns under its flag.
TEST(ConvertOptions, DocumentOptionsAreTheConvertersFlags) {
  const std::pair<const char*, bool ConversionOptions::*> flags[] = {
      {"--header", &ConversionOptions::header_block},
      {"--pictures", &ConversionOptions::pictures},
      {"--attachments", &ConversionOptions::attachments},
      {"--dates", &ConversionOptions::file_dates},
  };
  QString error;
  for (const auto& [flag, field] : flags) {
    const auto options = ParseConvertOptions({QString::fromLatin1(flag), QStringLiteral("in")}, 1, error);
    ASSERT_TRUE(options) << flag << qPrintable(error);
    for (const auto& [other, otherField] : flags)
      EXPECT_EQ(options->documents.*otherField, field == otherField) << flag << " sets " << other;
    EXPECT_FALSE(options->documents.replace) << flag;
  }
  const auto replace = ParseConvertOptions({QStringLiteral("--replace"), QStringLiteral("in")}, 1, error);
  ASSERT_TRUE(replace);
  EXPECT_TRUE(replace->replace);
  EXPECT_FALSE(replace->documents.replace);

  const QString help = ConvertHelpText();
  for (const QString& line : help.split(u'\n')) {
    if (!line.startsWith(QStringLiteral("  "))) continue;  // the usage above the options
    EXPECT_LE(line.size(), 80) << qPrintable(line);
  }
  EXPECT_TRUE(help.contains(QStringLiteral(
      "      --attachments     save the message's attachments into a folder beside its\n"
      "                        document (\"Report.doc\" gets \"Report attachments\")\n")));
  EXPECT_TRUE(help.contains(QStringLiteral(
      "      --dates           date each document like its message (sent, else\n"
      "                        received)\n")));
  EXPECT_EQ(help.count(QStringLiteral("  --replace ")), 1) << "one --replace, the run's";
}

// The run options are rows of their table: the command takes each with its help line, an
// on/off option's flag is the window's ticked box, every value the window offers reads back
// as itself, and the command's values give the window's choices.
TEST(ConvertOptions, RunOptionsAreTheRowsOfTheirTable) {
  const QString help = ConvertHelpText();
  QString error;
  for (const RunOptionRow& row : RunOptionTable()) {
    SCOPED_TRACE(row.flag.toStdString());
    QString left = (row.shortFlag.isNull() ? QStringLiteral("    ") : QStringLiteral("-%1, ").arg(row.shortFlag)) +
                   QStringLiteral("--") + row.flag;
    if (!row.valueName.isEmpty()) left += u' ' + row.valueName;
    EXPECT_TRUE(help.contains(QStringLiteral("\n  ") + left.leftJustified(21) + u' ' + row.help.section(u' ', 0, 2)))
        << qPrintable(help);
    RunOptions fromDefault;
    row.fromSetting(fromDefault, row.settingDefault);
    EXPECT_EQ(row.toSetting(fromDefault), row.toSetting(RunOptions())) << "the default setting is the command's";
    if (IsOnOff(row)) {
      const auto parsed = ParseConvertOptions({QStringLiteral("--") + row.flag, QStringLiteral("in")}, 1, error);
      ASSERT_TRUE(parsed) << qPrintable(error);
      EXPECT_EQ(row.toSetting(parsed->run), BooleanToText(true));
      continue;
    }
    for (const RunOptionValue& value : row.values) {
      RunOptions options;
      row.fromSetting(options, value.word);
      EXPECT_EQ(row.toSetting(options), value.word);
    }
    RunOptions odd;
    row.fromSetting(odd, QStringLiteral("by moon phase"));
    EXPECT_EQ(row.toSetting(odd), row.values.front().word) << "an unknown word is the first value";
  }
  const auto chosen = ParseConvertOptions({QStringLiteral("--format=PDF"), QStringLiteral("--name"),
                                           QStringLiteral("{date} {subject}"), QStringLiteral("in")},
                                          1, error);
  ASSERT_TRUE(chosen) << qPrintable(error);
  RunOptions window;
  RunOptionNamed(QStringLiteral("format"))->fromSetting(window, QStringLiteral("pdf"));
  RunOptionNamed(QStringLiteral("name"))->fromSetting(window, QStringLiteral("date-subject"));
  EXPECT_EQ(chosen->run.format, window.format);
  EXPECT_EQ(chosen->run.namePattern, window.namePattern);
  EXPECT_FALSE(ParseConvertOptions({QStringLiteral("--format=rtf"), QStringLiteral("in")}, 1, error));
  EXPECT_EQ(error, QStringLiteral("--format needs doc or pdf"));
  EXPECT_FALSE(ParseConvertOptions({QStringLiteral("--tree"), QStringLiteral("--beside"), QStringLiteral("in")}, 1, error));
  EXPECT_EQ(error, QStringLiteral("choose either --tree or --beside"));
}

// The program itself without a display: --help and --version answer, every other start
// says in one line that the window needs a display, and nothing aborts. A display that is
// named but cannot be reached gives the same line.
TEST_F(ConvertCommandTest, TheProgramWithoutADisplayAnswersOrSaysWhyInOneLine) {
  const auto start = [&](const QString& environment, const QString& arguments) {
    const QString command = QStringLiteral("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= %1 '%2' %3 >'%4' 2>'%5'")
                                .arg(environment, QStringLiteral(LORVANE_EXE), arguments,
                                     Path(QStringLiteral("out.txt")), Path(QStringLiteral("err.txt")));
    const int raw = std::system(qPrintable(command));
    return Result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, QString::fromUtf8(ReadAll(Path(QStringLiteral("out.txt")))),
                  QString::fromUtf8(ReadAll(Path(QStringLiteral("err.txt"))))};
  };
  const Result help = start({}, QStringLiteral("--help"));
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: lorvane "))) << qPrintable(help.out);
  EXPECT_TRUE(help.out.contains(QStringLiteral("lorvane convert [options] PATH...")));
  for (const QString& flag : {QStringLiteral("--version"), QStringLiteral("-V")}) {
    const Result version = start({}, flag);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("lorvane 1.0.0\n"));
  }
  for (const auto& [environment, arguments] :
       {std::pair{QString(), QStringLiteral("conver")}, std::pair{QString(), QString()},
        std::pair{QStringLiteral("DISPLAY=:9917"), QString()}}) {
    const Result run = start(environment, arguments);
    EXPECT_EQ(run.status, 2) << qPrintable(arguments);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err.count(u'\n'), 1) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("needs a display"))) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("'lorvane convert'"))) << qPrintable(run.err);
  }
  // With a display, arguments are files to queue: one that is not there (a mistyped
  // command) and an option the program does not know are refused, not ignored.
  const Result typo = start(QStringLiteral("QT_QPA_PLATFORM=offscreen"), QStringLiteral("conver"));
  EXPECT_EQ(typo.status, 2);
  EXPECT_TRUE(typo.err.endsWith(QStringLiteral("lorvane: no such file or folder: conver (try 'lorvane --help')\n")))
      << qPrintable(typo.err);
  const Result option = start(QStringLiteral("QT_QPA_PLATFORM=offscreen"), QStringLiteral("--frobnicate"));
  EXPECT_EQ(option.status, 2);
  EXPECT_TRUE(option.err.endsWith(QStringLiteral("lorvane: unknown option --frobnicate (try 'lorvane --help')\n")))
      << qPrintable(option.err);
}

TEST_F(ConvertCommandTest, UsageAndSetUpErrorsExitTwoAndWriteNothing) {
  Message(QStringLiteral("in/a.msg"));
  QDir().mkpath(Path(QStringLiteral("out")));
  const QString in = Path(QStringLiteral("in"));
  const QString out = Path(QStringLiteral("out"));
  const struct {
    QStringList arguments;
    const char* says;
  } cases[] = {
      {{}, "name at least one message file or folder"},
      {{QStringLiteral("--frobnicate"), in}, "unknown option --frobnicate"},
      {{QStringLiteral("--output"), out, QStringLiteral("--beside"), in}, "either --output or --beside"},
      {{QStringLiteral("--jobs"), QStringLiteral("0"), in}, "--jobs needs"},
      {{QStringLiteral("--timeout"), QStringLiteral("soon"), in}, "--timeout needs"},
      {{QStringLiteral("--report"), Path(QStringLiteral("r.csv")), in}, ".tsv or .jsonl"},
      {{in, QStringLiteral("--output")}, "--output needs a value"},
      {{QStringLiteral("--quiet=yes"), in}, "--quiet takes no value"},
      {{QStringLiteral("--replace"), QStringLiteral("--skip-existing"), in}, "either --replace or --skip-existing"},
      {{QStringLiteral("--tree"), QStringLiteral("--beside"), in}, "either --tree or --beside"},
      {{QStringLiteral("--name"), QStringLiteral("{date} {size}"), in}, "may hold only {file}, {date}, {subject} and {from}"},
      {{QStringLiteral("--name="), in}, "--name needs a pattern"},
      {{Path(QStringLiteral("missing"))}, "no such file or folder"},
      {{QStringLiteral("--output"), Path(QStringLiteral("in/a.msg/out")), in},
       "the output folder could not be made: Not a directory: "},
      {{QStringLiteral("--report"), Path(QStringLiteral("nowhere/r.tsv")), in}, "report's folder"},
      {{QStringLiteral("--format"), QStringLiteral("xls"), in}, "--format needs doc or pdf"},
  };
  for (const auto& c : cases) {
    const Result run = Run(c.arguments);
    EXPECT_EQ(run.status, 2) << c.says;
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("lorvane convert: "))) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << qPrintable(run.err);
  }
  QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  if (::geteuid() != 0) {  // root may write anywhere
    EXPECT_EQ(Run({QStringLiteral("--output"), out, in}).status, 2);
  }
  QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_TRUE(FilesBelow(out).isEmpty());

  EXPECT_TRUE(Run({QStringLiteral("--help")}).out.startsWith(QStringLiteral("Usage: lorvane convert [options] PATH...")));
  // The real program answers before any window exists: no display is needed.
  const QString command = QStringLiteral("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '%1' convert --version >'%2'")
                              .arg(QStringLiteral(LORVANE_EXE), Path(QStringLiteral("version.txt")));
  EXPECT_EQ(std::system(qPrintable(command)), 0);
  EXPECT_EQ(ReadAll(Path(QStringLiteral("version.txt"))), QByteArray("lorvane 1.0.0\n"));
}

// A missing output folder is made with the folders above it and named on standard error;
// the re-run into it, not on a terminal, closes with its counts of numbered copies.
TEST_F(ConvertCommandTest, AMissingOutputFolderIsMadeAndARerunStillSaysWhatItWrote) {
  Message(QStringLiteral("in/a.msg"));
  const QString out = Path(QStringLiteral("new/deeper/out"));
  const Result made = Run({QStringLiteral("--output"), out, Path(QStringLiteral("in"))});
  EXPECT_EQ(made.status, 0) << qPrintable(made.err);
  EXPECT_EQ(made.err, QStringLiteral("lorvane convert: made the output folder ") + out +
                          QStringLiteral("\nConverted 1 of 1 messages, 0 failed.\n"));
  EXPECT_EQ(ReadAll(out + QStringLiteral("/a.doc")), DocumentOf(QStringLiteral("in/a.msg")));

  const Result again = Run({QStringLiteral("--output"), out, Path(QStringLiteral("in"))});
  EXPECT_EQ(again.err, QStringLiteral("Converted 1 of 1 messages, 0 failed, 1 written under numbered names.\n"));
  EXPECT_EQ(Run({QStringLiteral("--quiet"), QStringLiteral("--output"), out, Path(QStringLiteral("in"))}).err, QString());
  // --quiet is quiet about the folder it made as well.
  const Result quiet = Run({QStringLiteral("-q"), QStringLiteral("-o"), Path(QStringLiteral("quiet/out")), Path(QStringLiteral("in"))});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, QString());
  EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("quiet/out/a.doc"))));
  EXPECT_EQ(FilesBelow(out), QStringList({QStringLiteral("a (2).doc"), QStringLiteral("a (3).doc"), QStringLiteral("a.doc")}));
}

// Paths that hold no message (an empty folder, a folder of another extension) end with a
// sentence saying so and status 3, with --quiet too; writing nothing. A run whose messages
// were all there already found messages: it ends as a run does.
TEST_F(ConvertCommandTest, NoMessageFoundIsSaidAndEndsWithItsOwnStatus) {
  QDir().mkpath(Path(QStringLiteral("empty")));
  QDir().mkpath(Path(QStringLiteral("out")));
  Message(QStringLiteral("eml/a.eml"));
  const QString out = Path(QStringLiteral("out"));
  for (const QStringList& arguments :
       {QStringList{QStringLiteral("-o"), out, Path(QStringLiteral("empty"))},
        QStringList{QStringLiteral("-o"), out, Path(QStringLiteral("eml"))},
        QStringList{QStringLiteral("-q"), QStringLiteral("-o"), out, Path(QStringLiteral("eml")), Path(QStringLiteral("empty"))}}) {
    const Result run = Run(arguments);
    EXPECT_EQ(run.status, exit_status::kNoMessage) << qPrintable(arguments.join(u' '));
    EXPECT_EQ(run.err, QStringLiteral("lorvane convert: no message was found: the folders given hold no file "
                                      "ending in .msg (--extension chooses another)\n"));
  }
  const Result everyFile = Run({QStringLiteral("--extension"), QStringLiteral("*"), QStringLiteral("-o"), out,
                                Path(QStringLiteral("empty"))});
  EXPECT_EQ(everyFile.status, 3);
  EXPECT_EQ(everyFile.err, QStringLiteral("lorvane convert: no message was found: the folders given hold no file\n"));
  EXPECT_TRUE(FilesBelow(out).isEmpty());

  const Result first = Run({QStringLiteral("--extension"), QStringLiteral("eml"), QStringLiteral("-o"), out,
                            Path(QStringLiteral("eml"))});
  EXPECT_EQ(first.status, 0) << qPrintable(first.err);
  const Result again = Run({QStringLiteral("--extension"), QStringLiteral("eml"), QStringLiteral("--skip-existing"),
                            QStringLiteral("-o"), out, Path(QStringLiteral("eml"))});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.err, QStringLiteral("Converted 0 of 1 messages, 0 failed, 1 skipped (already there).\n"));
}

TEST_F(ConvertCommandTest, AConverterThatHangsOrCrashesFailsOnlyThatMessage) {
  for (const char* name : {"in/a.msg", "in/crash.msg", "in/d.msg", "in/hang.msg", "in/z.msg"}) Message(QString::fromUtf8(name));
  QDir().mkpath(Path(QStringLiteral("out")));
  const Result run = Run({QStringLiteral("--timeout"), QStringLiteral("1"), QStringLiteral("--jobs"), QStringLiteral("2"),
                          QStringLiteral("--output"), Path(QStringLiteral("out")), Path(QStringLiteral("in"))},
                         StandIn());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(FilesBelow(Path(QStringLiteral("out"))),
            QStringList({QStringLiteral("a.doc"), QStringLiteral("d.doc"), QStringLiteral("z.doc")}));
  EXPECT_TRUE(run.err.contains(QStringLiteral("failed: ") + Path(QStringLiteral("in/hang.msg")) +
                               QStringLiteral(": The conversion took longer than 1 second. The limit is the TimeLimit setting of the window, --timeout of lorvane convert.\n")))
      << qPrintable(run.err);
  EXPECT_TRUE(run.err.contains(QStringLiteral("failed: ") + Path(QStringLiteral("in/crash.msg")) +
                               QStringLiteral(": The converter stopped unexpectedly on this message. "
                                              "(the converter was ended by signal 6")))
      << qPrintable(run.err);
  EXPECT_TRUE(run.err.endsWith(QStringLiteral("Converted 3 of 5 messages, 2 failed.\n")));
}

// Nothing found in a folder is trusted: journals and temporary-looking files planted in
// the output folder, beside the messages with --beside, as a link to a list elsewhere,
// naming files outside the output folder, in the current folder and one the planter cannot
// read, are left as they are, and so is all they name, when converters are ended at the
// time limit or crash. What the ended converters had begun goes all the same.
TEST_F(ConvertCommandTest, PlantedJournalsMakeTheRunDeleteNothing) {
  test_support::PlantedJournals planted(Path(QStringLiteral("victims")).toStdString());
  for (const char* name : {"in/a.msg", "in/crash.msg", "in/hang.msg", "beside/b.msg", "beside/crash.msg", "beside/hang.msg"})
    Message(QString::fromUtf8(name));
  QDir().mkpath(Path(QStringLiteral("out")));
  for (const char* name : {"out/a.doc", "out/crash.doc", "out/hang.doc", "beside/b.doc"})
    planted.Named(Path(QString::fromUtf8(name)).toStdString());
  for (const char* name : {"out/crash.doc", "out/hang.doc", "beside/crash.doc", "beside/hang.doc"})
    planted.PlantFor(Path(QString::fromUtf8(name)).toStdString());
  const QStringList before = FilesBelow(Path(QStringLiteral("out")));

  const Result run = Run({QStringLiteral("--timeout"), QStringLiteral("1"), QStringLiteral("--jobs"), QStringLiteral("2"),
                          QStringLiteral("--output"), Path(QStringLiteral("out")), Path(QStringLiteral("in"))},
                         StandIn());
  EXPECT_TRUE(run.err.endsWith(QStringLiteral("Converted 1 of 3 messages, 2 failed.\n"))) << qPrintable(run.err);
  const Result beside = Run({QStringLiteral("--timeout"), QStringLiteral("1"), QStringLiteral("--jobs"), QStringLiteral("2"),
                             QStringLiteral("--beside"), Path(QStringLiteral("beside"))},
                            StandIn());
  EXPECT_TRUE(beside.err.endsWith(QStringLiteral("Converted 1 of 3 messages, 2 failed.\n"))) << qPrintable(beside.err);
  EXPECT_EQ(planted.Changed(), std::vector<std::string>{});
  QStringList after = before;
  after << QStringLiteral("a.doc");
  after.sort();
  EXPECT_EQ(FilesBelow(Path(QStringLiteral("out"))), after) << "the converters' own temporary files went";
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/a.doc"))), DocumentOf(QStringLiteral("in/a.msg")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("beside/b.doc"))), DocumentOf(QStringLiteral("beside/b.msg")));
  for (const QString& name : FilesBelow(Path(QStringLiteral("beside"))))
    EXPECT_FALSE(name.contains(QStringLiteral("00c0ffee"))) << qPrintable(name);
}

// The converters of every process of `folder` (their program lies in it): found through
// /proc, as the run places its converter in its own folder below the temporary folder.
std::vector<pid_t> ProgramsIn(const std::string& folder) {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code error;
    const std::string program = std::filesystem::read_symlink(entry.path() / "exe", error).string();
    if (!error && program.rfind(folder + "/", 0) == 0) found.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return found;
}

// A run killed outright, the program and its converter alike, leaves what its converter
// knew in its own private folder, where no later run looks: the user clears the
// attachments it left, a second run of the message succeeds, and a third that replaces
// its document and passes the time limit takes back only what it began itself. What the
// second run saved stays.
TEST_F(ConvertCommandTest, AKilledRunNeverMakesALaterRunUndoAnotherRunsWork) {
  const std::vector<std::uint8_t> msg = test_support::SlowMessage();
  QDir().mkpath(Path(QStringLiteral("in")));
  QDir().mkpath(Path(QStringLiteral("out")));
  QDir().mkpath(Path(QStringLiteral("temp")));
  QFile source(Path(QStringLiteral("in/hang.msg")));
  ASSERT_TRUE(source.open(QIODevice::WriteOnly));
  source.write(reinterpret_cast<const char*>(msg.data()), static_cast<qint64>(msg.size()));
  source.close();
  const std::string temp = Path(QStringLiteral("temp")).toStdString();
  const std::string out = Path(QStringLiteral("out")).toStdString();
  const std::string input = Path(QStringLiteral("in/hang.msg")).toStdString();
  const pid_t program = fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    ::setenv("TEMP", temp.c_str(), 1);
    ::execl(LORVANE_EXE, LORVANE_EXE, "convert", "--quiet", "--pictures", "--attachments", "--output", out.c_str(),
            input.c_str(), nullptr);
    ::_exit(127);
  }
  const QString kept = Path(QStringLiteral("out/hang attachments/kept4.txt"));
  for (int i = 0; i < 3000 && !QFile::exists(kept); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(QFile::exists(kept));
  const std::vector<pid_t> converters = ProgramsIn(temp);
  ::kill(program, SIGKILL);
  for (const pid_t converter : converters) ::kill(converter, SIGKILL);
  int status = 0;
  ::waitpid(program, &status, 0);
  ASSERT_EQ(converters.size(), 1u);
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("out/hang.doc"))));
  QDir(Path(QStringLiteral("out/hang attachments"))).removeRecursively();

  EXPECT_EQ(Run({QStringLiteral("--quiet"), QStringLiteral("--pictures"), QStringLiteral("--attachments"),
                 QStringLiteral("--output"), Path(QStringLiteral("out")), Path(QStringLiteral("in/hang.msg"))})
                .status,
            0);
  const QStringList saved = FilesBelow(Path(QStringLiteral("out")));
  ASSERT_TRUE(saved.contains(QStringLiteral("hang attachments/kept4.txt"))) << qPrintable(saved.join(u'|'));
  const QByteArray keptBytes = ReadAll(kept);

  const Result late = Run({QStringLiteral("--timeout"), QStringLiteral("1"), QStringLiteral("--replace"),
                           QStringLiteral("--pictures"), QStringLiteral("--attachments"), QStringLiteral("--output"),
                           Path(QStringLiteral("out")), Path(QStringLiteral("in/hang.msg"))},
                          StandIn());
  EXPECT_TRUE(late.err.contains(QStringLiteral("The conversion took longer than 1 second"))) << qPrintable(late.err);
  EXPECT_EQ(FilesBelow(Path(QStringLiteral("out"))), saved);
  EXPECT_EQ(ReadAll(kept), keptBytes);
}

// Ctrl-C, and the terminal closing (SIGHUP) alike: the converter under way is ended, its
// half-written temporary document goes with it, and the report says how far the run got.
// The message cut short counts as stopped, not failed, and gets no failure line.
TEST_F(ConvertCommandTest, AnInterruptWritesTheReportSoFarAndLeavesNoPartialOutputOrPrivateFolder) {
  for (const char* name : {"in/a.msg", "in/b.msg", "in/hang.msg", "in/z.msg"}) Message(QString::fromUtf8(name));
  QDir().mkpath(Path(QStringLiteral("temp")));
  const QByteArray oldTemp = qgetenv("TEMP");
  qputenv("TEMP", Path(QStringLiteral("temp")).toUtf8());
  for (const int signal : {SIGINT, SIGHUP}) {
    const QString out = Path(QStringLiteral("out%1").arg(signal));
    QDir().mkpath(out);
    QFile::remove(Path(QStringLiteral("in/hang.msg.started")));
    std::thread interrupter([&] {
      const QString started = Path(QStringLiteral("in/hang.msg.started"));
      for (int i = 0; i < 1000 && !QFile::exists(started); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      ::kill(::getpid(), signal);
    });
    const Result run = Run({QStringLiteral("--jobs"), QStringLiteral("1"), QStringLiteral("--output"), out,
                            QStringLiteral("--report"), Path(QStringLiteral("r.tsv")), Path(QStringLiteral("in"))},
                           StandIn());
    interrupter.join();
    EXPECT_EQ(run.status, 128 + signal);
    EXPECT_TRUE(FilesBelow(Path(QStringLiteral("temp"))).isEmpty());
    EXPECT_TRUE(QDir(Path(QStringLiteral("temp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    EXPECT_EQ(FilesBelow(out), QStringList({QStringLiteral("a.doc"), QStringLiteral("b.doc")}));
    const QString report = QString::fromUtf8(ReadAll(Path(QStringLiteral("r.tsv"))));
    EXPECT_EQ(report.count(u'\n'), 5) << "a header and one line per message: " << qPrintable(report);
    EXPECT_TRUE(report.contains(QStringLiteral("hang.doc\tstopped\tThe run was stopped before this message was done.\t0\t0\n")))
        << qPrintable(report);
    EXPECT_TRUE(report.contains(QStringLiteral("z.doc\tnot-started\tThe run was stopped before this message was begun.\t0\t0\n")))
        << qPrintable(report);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Interrupted. Converted 2 of 4 messages, 0 failed, 1 stopped, 1 not started.")))
        << qPrintable(run.err);
    EXPECT_FALSE(run.err.contains(QStringLiteral("failed: "))) << qPrintable(run.err);
  }
  qputenv("TEMP", oldTemp);
}

// A re-run with --skip-existing converts only the new messages, says how many it skipped,
// and a second such run writes nothing and succeeds.
TEST_F(ConvertCommandTest, SkipExistingConvertsOnlyNewMessagesAndASecondRunWritesNothing) {
  Message(QStringLiteral("in/a.msg"));
  Message(QStringLiteral("in/x/a.msg"));
  const QStringList arguments{QStringLiteral("--skip-existing"), QStringLiteral("--output"), Path(QStringLiteral("out")),
                              QStringLiteral("--report"), Path(QStringLiteral("r.tsv")), Path(QStringLiteral("in"))};
  QDir().mkpath(Path(QStringLiteral("out")));
  EXPECT_EQ(Run(arguments).status, 0);
  EXPECT_EQ(FilesBelow(Path(QStringLiteral("out"))), QStringList({QStringLiteral("a (2).doc"), QStringLiteral("a.doc")}));
  Message(QStringLiteral("in/b.msg"));
  const Result second = Run(arguments, {}, true);
  EXPECT_EQ(second.status, 0);
  EXPECT_TRUE(second.err.endsWith(QStringLiteral("Converted 1 of 3 messages, 0 failed, 2 skipped (already there).\n")))
      << qPrintable(second.err);
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/a (2).doc"))), DocumentOf(QStringLiteral("in/x/a.msg")));
  const QString report = QString::fromUtf8(ReadAll(Path(QStringLiteral("r.tsv"))));
  EXPECT_TRUE(report.contains(Path(QStringLiteral("out/a (2).doc")) + QStringLiteral("\tskipped\t"))) << qPrintable(report);

  const QByteArray written = ReadAll(Path(QStringLiteral("out/b.doc")));
  QFile(Path(QStringLiteral("out/b.doc"))).resize(0);  // a document left as the user has it is not touched
  const Result fourth = Run(arguments);
  EXPECT_EQ(fourth.status, 0);
  EXPECT_EQ(fourth.err, QStringLiteral("Converted 0 of 3 messages, 0 failed, 3 skipped (already there).\n"));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/b.doc"))), QByteArray());
  EXPECT_FALSE(written.isEmpty());
  EXPECT_EQ(FilesBelow(Path(QStringLiteral("out"))).size(), 3);
}

// --tree: each document at its message's place below the folder named, a link keeping its
// own name, a message reached through two of the folders named converted once (under the
// first), a file named by itself in the output folder; missing folders are made, and a
// second run with --skip-existing writes nothing.
TEST_F(ConvertCommandTest, TreeKeepsEachMessagesPlaceAndASecondSkippingRunWritesNothing) {
  for (const char* name : {"in/a.msg", "in/x/a.msg", "in/x/b.msg", "in/x/y/c.msg", "in/x/y/z/d.msg", "other/e.msg",
                           "loose/f.msg"})
    Message(QString::fromLatin1(name));
  ASSERT_TRUE(QFile::link(Path(QStringLiteral("other")), Path(QStringLiteral("in/link"))));
  QDir().mkpath(Path(QStringLiteral("out")));
  QStringList arguments{QStringLiteral("--tree"),           QStringLiteral("--output"),
                        Path(QStringLiteral("out")),        QStringLiteral("--report"),
                        Path(QStringLiteral("r.tsv")),      Path(QStringLiteral("in")),
                        Path(QStringLiteral("in/x/y")),     Path(QStringLiteral("loose/f.msg"))};
  const Result run = Run(arguments);
  EXPECT_EQ(run.status, 0) << qPrintable(run.err);
  const QStringList expected{"a.doc", "f.doc", "link/e.doc", "x/a.doc", "x/b.doc", "x/y/c.doc", "x/y/z/d.doc"};
  EXPECT_EQ(FilesBelow(Path(QStringLiteral("out"))), expected);
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/x/a.doc"))), DocumentOf(QStringLiteral("in/x/a.msg")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/x/y/z/d.doc"))), DocumentOf(QStringLiteral("in/x/y/z/d.msg")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/link/e.doc"))), DocumentOf(QStringLiteral("other/e.msg")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/f.doc"))), DocumentOf(QStringLiteral("loose/f.msg")));

  // Again, skipping what is there: nothing is written, every message is reported skipped.
  arguments.prepend(QStringLiteral("--skip-existing"));
  QFile(Path(QStringLiteral("out/x/b.doc"))).resize(0);
  const Result again = Run(arguments, {}, true);
  EXPECT_EQ(again.status, 0);
  EXPECT_TRUE(again.err.endsWith(QStringLiteral("Converted 0 of 7 messages, 0 failed, 7 skipped (already there).\n")))
      << qPrintable(again.err);
  EXPECT_EQ(FilesBelow(Path(QStringLiteral("out"))), expected);
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/x/b.doc"))), QByteArray());

  // Without --skip-existing, a new message of the same name in the same folder is numbered
  // there, not anywhere else; a file standing where a folder must go fails only its messages.
  arguments.removeFirst();
  Message(QStringLiteral("in/x/y/c.MSG"));
  QFile blocker(Path(QStringLiteral("out/blocked")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  Message(QStringLiteral("in/blocked/g.msg"));
  arguments.replace(arguments.indexOf(Path(QStringLiteral("in/x/y"))), QStringLiteral("--extension=*"));
  const Result third = Run(arguments);
  EXPECT_EQ(third.status, 1);
  EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("out/x/y/c (2).doc"))));
  EXPECT_TRUE(third.err.contains(QStringLiteral("could not be made"))) << qPrintable(third.err);
  EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("out/g.doc"))));
}

// A message of the test with a subject and a sent time.
QByteArray MessageWith(const std::u16string& subject, std::int64_t sentUnix) {
  msgwriter::MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1 x}");
  builder.AddUnicode(0x0037, subject);
  if (sentUnix != 0) builder.AddTime(0x0039, 116'444'736'000'000'000ULL + static_cast<std::uint64_t>(sentUnix) * 10'000'000ULL);
  const std::vector<std::uint8_t> bytes = builder.Build();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// --name "{date} {subject}" with hostile subjects: every name one valid file name within
// 255 bytes, unique in its folder; --dates dates each document like its message.
TEST_F(ConvertCommandTest, NamesFromTheMessagesAreSafeUniqueAndDatedLikeTheirMessages) {
  const QByteArray oldZone = qgetenv("TZ");
  qputenv("TZ", "UTC0");
  constexpr std::int64_t kSent = 1796735100;  // 8 December 2026 13:05 UTC
  const struct {
    const char* file;
    std::u16string subject;
    std::int64_t sent;
  } messages[] = {
      {"1.msg", u"Q3/Q4 plan", kSent},
      {"2.msg", u"Q3/Q4 plan", kSent},  // the same name again: numbered
      {"3.msg", std::u16string(1000, u'\u00e9'), kSent},
      {"4.msg", u"bell\u0007 tab\t line\r\nend", kSent + 60},
      {"5.msg", u"     ", kSent + 120},  // nothing but spaces: the date alone
      {"6.msg", u"../../escape", 0},   // no date: the subject alone
      {"7.msg", u"", 0},               // nothing: "(no subject)"
  };
  QDir().mkpath(Path(QStringLiteral("in")));
  QDir().mkpath(Path(QStringLiteral("out")));
  for (const auto& m : messages) {
    QFile file(Path(QStringLiteral("in/")) + QLatin1String(m.file));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(MessageWith(m.subject, m.sent));
  }
  const Result run = Run({QStringLiteral("--name"), QStringLiteral("{date} {subject}"), QStringLiteral("--dates"),
                          QStringLiteral("--output"), Path(QStringLiteral("out")), Path(QStringLiteral("in"))});
  EXPECT_EQ(run.status, 0) << qPrintable(run.err);
  const QStringList names = FilesBelow(Path(QStringLiteral("out")));
  ASSERT_EQ(names.size(), 7) << qPrintable(names.join(u'|'));
  const QString longName = QStringLiteral("2026-12-08 1305 ") + QString(117, QChar(0x00e9)) + QStringLiteral(".doc");
  EXPECT_EQ(names, QStringList({"(no subject).doc", ".._.._escape.doc", "2026-12-08 1305 Q3_Q4 plan (2).doc",
                                "2026-12-08 1305 Q3_Q4 plan.doc", longName, "2026-12-08 1306 bell  tab  line  end.doc",
                                "2026-12-08 1307.doc"}));
  for (const QString& name : names) {
    EXPECT_LE(name.toUtf8().size(), 255) << qPrintable(name);
    EXPECT_FALSE(name.contains(u'/'));
  }
  struct stat info {};
  ASSERT_EQ(::stat(qPrintable(Path(QStringLiteral("out/2026-12-08 1306 bell  tab  line  end.doc"))), &info), 0);
  EXPECT_EQ(info.st_mtime, kSent + 60);
  ASSERT_EQ(::stat(qPrintable(Path(QStringLiteral("out/")) + longName), &info), 0);
  EXPECT_EQ(info.st_mtime, kSent);
  ASSERT_EQ(::stat(qPrintable(Path(QStringLiteral("out/(no subject).doc"))), &info), 0);
  EXPECT_GT(info.st_mtime, kSent - 1000000000) << "no date in the message: written now";
  if (oldZone.isNull()) qunsetenv("TZ"); else qputenv("TZ", oldZone);
}

// --attachments: the report counts each message's attachments kept and embedded messages
// converted; without it the documents have no folders and the counts are 0.
TEST_F(ConvertCommandTest, TheReportCountsAttachmentsKeptAndEmbeddedMessagesConverted) {
  msgwriter::MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1 body}");
  builder.AddAttachment(1).AddUnicode(0x3707, u"note.txt").AddBinary(0x3701, {'h', 'i'});
  builder.AddAttachment(1).AddUnicode(0x3707, u"more.txt").AddBinary(0x3701, {'h', 'o'});
  QDir().mkpath(Path(QStringLiteral("in")));
  QDir().mkpath(Path(QStringLiteral("out")));
  ASSERT_TRUE(run_testing::WriteBytes(Path(QStringLiteral("in/k.msg")), builder.Build()));
  Message(QStringLiteral("in/plain.msg"));
  const Result run = Run({QStringLiteral("--attachments"), QStringLiteral("--output"), Path(QStringLiteral("out")),
                          QStringLiteral("--report"), Path(QStringLiteral("r.jsonl")), Path(QStringLiteral("in"))});
  EXPECT_EQ(run.status, 0) << qPrintable(run.err);
  EXPECT_EQ(ReadAll(Path(QStringLiteral("out/k attachments/note.txt"))), QByteArray("hi"));
  const QString report = QString::fromUtf8(ReadAll(Path(QStringLiteral("r.jsonl"))));
  EXPECT_TRUE(report.contains(QStringLiteral("k.doc\",\"status\":\"converted\",\"reason\":\"\",\"attachments\":2,\"messages\":0}")))
      << qPrintable(report);
  EXPECT_TRUE(report.contains(QStringLiteral("plain.doc\",\"status\":\"converted\",\"reason\":\"\",\"attachments\":0,")))
      << qPrintable(report);
}

// A run never writes over a document it wrote itself: Report.msg holds an embedded
// message "x" whose document goes to "out/Report attachments/x.doc", and the tree holds
// "in/Report attachments/x.msg", whose document wants that same name. Whichever arrives
// first keeps it, the other takes a numbered name; nothing is lost, both orders (the
// embedded message first with one job; the tree's message first while a slow Report.msg
// shows its picture on the other job).
TEST_F(ConvertCommandTest, ADocumentOfTheRunIsNeverReplacedByAnotherOfTheSameRun) {
  for (const bool treeFirst : {false, true}) {
    SCOPED_TRACE(treeFirst ? "the tree's message first" : "the embedded message first");
    const QString in = Path(treeFirst ? QStringLiteral("in2") : QStringLiteral("in1"));
    const QString out = Path(treeFirst ? QStringLiteral("out2") : QStringLiteral("out1"));
    msgwriter::MessageBuilder builder;
    if (treeFirst) {
      builder.AddRtfBody("{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag84 <img src=cid:slow>}}");
      builder.AddAttachment(1)
          .AddBinary(0x3701, test_support::PlainGif(8192, 4096))
          .AddUnicode(0x3707, u"slow.gif")
          .AddUnicode(0x3712, u"slow");
    } else {
      builder.AddRtfBody("{\\rtf1 report}");
    }
    builder.AddEmbeddedMessage().AddUnicode(0x0037, u"x").AddUnicode(0x1000, u"the embedded message");
    QDir().mkpath(in + QStringLiteral("/Report attachments"));
    QDir().mkpath(out);
    ASSERT_TRUE(run_testing::WriteBytes(in + QStringLiteral("/Report.msg"), builder.Build()));
    ASSERT_TRUE(run_testing::WriteMessage(in + QStringLiteral("/Report attachments/x.msg"), RtfFor(QStringLiteral("tree x"))));
    QStringList arguments{QStringLiteral("--tree"), QStringLiteral("--attachments"), QStringLiteral("--jobs"),
                          treeFirst ? QStringLiteral("2") : QStringLiteral("1"), QStringLiteral("--output"), out, in};
    if (treeFirst) arguments.prepend(QStringLiteral("--pictures"));
    const Result run = Run(arguments);
    EXPECT_EQ(run.status, 0) << qPrintable(run.err);
    const QStringList documents = FilesBelow(out).filter(QStringLiteral(".doc"));
    ASSERT_EQ(documents.size(), 3) << qPrintable(documents.join(u' '));
    int tree = 0;
    int embedded = 0;
    for (const QString& document : documents) {
      const QByteArray bytes = ReadAll(out + u'/' + document);
      if (bytes == DocumentFor(RtfFor(QStringLiteral("tree x")))) ++tree;
      if (bytes.contains("the embedded message")) ++embedded;
    }
    EXPECT_EQ(tree, 1) << qPrintable(documents.join(u' '));
    EXPECT_EQ(embedded, 1) << qPrintable(documents.join(u' '));
    EXPECT_TRUE(documents.contains(QStringLiteral("Report attachments/x.doc")));
  }
}

// --format pdf: one PDF per message, named like its document with ".pdf" and numbered by
// the same rule; nothing of the converter's documents is left; without LibreOffice the
// run stops at its start with one sentence naming the package, exit 2. The PDFs' insides
// are the PDF stage's own tests. Skipped, saying so, where LibreOffice is not installed.
TEST_F(ConvertCommandTest, FormatPdfWritesOnePdfPerMessageOrSaysWhatToInstall) {
  Message(QStringLiteral("in/one/a.msg"));
  Message(QStringLiteral("in/two/a.msg"));
  Damaged(QStringLiteral("in/two/bad.msg"));
  const QString out = Path(QStringLiteral("out"));
  const QByteArray office = qgetenv("LORVANE_SOFFICE");
  qputenv("LORVANE_SOFFICE", Path(QStringLiteral("no-office/soffice")).toLocal8Bit());
  const Result missing = Run({QStringLiteral("--format"), QStringLiteral("pdf"), QStringLiteral("--output"), out,
                              Path(QStringLiteral("in"))});
  if (office.isNull()) qunsetenv("LORVANE_SOFFICE"); else qputenv("LORVANE_SOFFICE", office);
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err.count(u'\n'), 1) << qPrintable(missing.err);
  EXPECT_TRUE(missing.err.contains(QStringLiteral("libreoffice-writer-nogui"))) << qPrintable(missing.err);
  EXPECT_FALSE(QFileInfo::exists(out));

  if (!lorvane_pdf::OfficeMissingReason().empty()) GTEST_SKIP() << lorvane_pdf::OfficeMissingReason();
  const Result run = Run({QStringLiteral("--format"), QStringLiteral("pdf"), QStringLiteral("--output"), out,
                          QStringLiteral("--report"), Path(QStringLiteral("r.tsv")), Path(QStringLiteral("in"))});
  EXPECT_EQ(run.status, 1) << qPrintable(run.err);
  EXPECT_TRUE(run.err.contains(QStringLiteral("bad.msg: The message file is damaged"))) << qPrintable(run.err);
  EXPECT_EQ(FilesBelow(out), (QStringList{QStringLiteral("a (2).pdf"), QStringLiteral("a.pdf")}));
  const QString report = QString::fromUtf8(ReadAll(Path(QStringLiteral("r.tsv"))));
  EXPECT_TRUE(report.contains(QStringLiteral("a (2).pdf\tconverted"))) << qPrintable(report);
  EXPECT_TRUE(report.contains(QStringLiteral("bad.pdf\tfailed"))) << qPrintable(report);
}

// The processes whose command line names `text`, from /proc.
QStringList ProcessesNaming(const QString& text) {
  QStringList found;
  for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    bool number = false;
    entry.toInt(&number);
    if (!number) continue;
    QByteArray line = ReadAll(QStringLiteral("/proc/%1/cmdline").arg(entry));
    const QByteArray status = ReadAll(QStringLiteral("/proc/%1/stat").arg(entry));
    const qsizetype close = status.lastIndexOf(')');
    if (close < 0 || status.mid(close + 2, 1) == "Z") continue;  // zombies run nothing
    line.replace('\0', ' ');
    if (QString::fromLocal8Bit(line).contains(text)) found << entry + u' ' + QString::fromLocal8Bit(line);
  }
  return found;
}

// `lorvane convert --format pdf` killed outright (SIGKILL) while LibreOffice renders:
// nothing of its run stays, neither LibreOffice's processes nor the converter nor its
// sockets in /tmp nor the renderer's private folder. The look waits for each at most
// 20 seconds.
TEST_F(ConvertCommandTest, AKilledPdfRunLeavesNoOfficeConverterSocketOrRendererFolder) {
  if (!lorvane_pdf::OfficeMissingReason().empty()) GTEST_SKIP() << lorvane_pdf::OfficeMissingReason();
  for (int i = 0; i < 8; ++i) Message(QStringLiteral("in/m%1.msg").arg(i));
  const QString temp = Path(QStringLiteral("temp"));
  const QString out = Path(QStringLiteral("out"));
  QDir().mkpath(temp);
  const pid_t program = ::fork();
  if (program == 0) {
    ::setenv("TMPDIR", qPrintable(temp), 1);
    ::setenv("TEMP", qPrintable(temp), 1);
    ::execl(LORVANE_EXE, "lorvane", "convert", "--format", "pdf", "--jobs", "2", "--output", qPrintable(out),
            qPrintable(Path(QStringLiteral("in"))), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(program, 0);
  // Waits until `done` holds at two looks a tenth of a second apart: a look at /proc can miss a
  // process that is forking or exiting, and the bridge's tidy-up forks a helper of its own.
  const auto waitFor = [](const std::function<bool()>& done) {
    for (int i = 0; i < 2000; ++i) {
      if (done()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (done()) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  };
  // Killed once the first PDF is written, while the next ones are rendered.
  const bool rendering = waitFor([&] { return !QDir(out).entryList({QStringLiteral("*.pdf")}, QDir::Files).isEmpty(); });
  const QStringList offices = ProcessesNaming(QStringLiteral("soffice"));
  QStringList profiles;
  for (const QString& office : offices) {
    const qsizetype at = office.indexOf(QStringLiteral("UserInstallation=file://"));
    if (at >= 0 && office.contains(temp)) profiles << office.mid(at + 24).section(u' ', 0, 0);
  }
  ::kill(program, SIGKILL);
  int status = 0;
  ::waitpid(program, &status, 0);
  ASSERT_TRUE(rendering) << "no PDF was made";
  EXPECT_FALSE(profiles.isEmpty()) << qPrintable(offices.join(u'\n'));

  EXPECT_TRUE(waitFor([&] { return ProcessesNaming(temp).isEmpty(); })) << qPrintable(ProcessesNaming(temp).join(u'\n'));
  EXPECT_TRUE(waitFor([&] { return QDir(temp).entryList({QStringLiteral("lorvane-pdf-*")}, QDir::AllEntries).isEmpty(); }))
      << qPrintable(QDir(temp).entryList(QDir::AllEntries).join(u' '));
  const QString prefix = QStringLiteral("OSL_PIPE_%1_").arg(::getuid());
  const auto sockets = [&] {
    QStringList left = QDir(QStringLiteral("/tmp")).entryList({prefix + QStringLiteral("lorvane_pdf_%1_*").arg(program)},
                                                              QDir::System | QDir::AllEntries);
    for (const QString& profile : profiles) {
      for (const std::string& path : lorvane_pdf::OfficeSockets(profile.toStdString(), "-")) {
        if (QFileInfo(QString::fromStdString(path)).fileName().contains(QStringLiteral("SingleOfficeIPC")) &&
            QFileInfo::exists(QString::fromStdString(path)))
          left << QString::fromStdString(path);
      }
    }
    return left;
  };
  EXPECT_TRUE(waitFor([&] { return sockets().isEmpty(); })) << qPrintable(sockets().join(u' '));
}

// The many-machines recipe, run locally: GNU parallel hands chunks of the file list to
// separate `lorvane convert --beside` runs; the documents are those of one run, byte for byte.
TEST_F(ConvertCommandTest, GnuParallelOverChunksGivesTheSameDocumentsAsOneRun) {
  if (std::system("parallel --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "GNU parallel is not installed";
  for (const char* tree : {"one", "many"}) {
    for (const char* name : {"a.msg", "b.msg", "x/a.msg", "x/c.msg", "x/y/a.msg", "z/a.msg", "z/~skip.msg"}) {
      const QString path = Path(QStringLiteral("%1/%2").arg(QString::fromUtf8(tree), QString::fromUtf8(name)));
      QDir().mkpath(QFileInfo(path).path());
      ASSERT_TRUE(run_testing::WriteMessage(path, RtfFor(QString::fromUtf8(name))));
    }
    Damaged(QStringLiteral("%1/z/bad.msg").arg(QString::fromUtf8(tree)));
  }
  const QString lorvane = QStringLiteral(LORVANE_EXE);
  const QString single = QStringLiteral("'%1' convert --quiet --beside '%2'").arg(lorvane, Path(QStringLiteral("one")));
  EXPECT_EQ(WEXITSTATUS(std::system(qPrintable(single))), 1);
  const QString spread = QStringLiteral(
      "cd '%1' && find \"$PWD\" -type f -iname '*.msg' ! -name '~*' ! -name '.*' -print0 | sort -z | "
      "parallel -0 -n 2 -j 2 '%2' convert --quiet --beside")
                             .arg(Path(QStringLiteral("many")), lorvane);
  EXPECT_EQ(WEXITSTATUS(std::system(qPrintable(spread))), 1);  // one chunk holds the damaged message
  const QStringList documents = FilesBelow(Path(QStringLiteral("one")));
  EXPECT_EQ(documents.filter(QStringLiteral(".doc")).size(), 6);
  EXPECT_EQ(FilesBelow(Path(QStringLiteral("many"))), documents);
  for (const QString& file : documents) {
    EXPECT_EQ(ReadAll(Path(QStringLiteral("many/") + file)), ReadAll(Path(QStringLiteral("one/") + file))) << qPrintable(file);
  }
}

// Report paths: nothing but a regular file (or a new name) takes the report, never one of
// the messages, and a report that cannot be written keeps the old one and says why.
TEST_F(ConvertCommandTest, TheReportNeverReplacesADeviceAMessageOrAnOlderReportItCannotWrite) {
  const QString message = Message(QStringLiteral("in/a.msg"));
  QDir().mkpath(Path(QStringLiteral("out")));
  const QString out = Path(QStringLiteral("out"));
  const QString device = Path(QStringLiteral("null.tsv"));
  ASSERT_EQ(::symlink("/dev/null", NativeName(device).constData()), 0);
  const QString input = Message(QStringLiteral("in/m.tsv"));  // a message with a report's name
  const QByteArray inputBytes = ReadAll(input);
  for (const auto& [report, says] : {std::pair{device, "not a regular file"}, std::pair{input, "one of the messages"}}) {
    const Result run = Run({QStringLiteral("--output"), out, QStringLiteral("--report"), report, message, input});
    EXPECT_EQ(run.status, 2) << says;
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(says))) << qPrintable(run.err);
    EXPECT_TRUE(FilesBelow(out).isEmpty());
  }
  struct stat st;
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(ReadAll(input), inputBytes);

  // Through a link to a regular file: the link stays and its file gets the report.
  const QString real = Path(QStringLiteral("real.tsv"));
  const QString link = Path(QStringLiteral("link.tsv"));
  ASSERT_TRUE(QFile(real).open(QIODevice::WriteOnly));
  ASSERT_EQ(::symlink(NativeName(real).constData(), NativeName(link).constData()), 0);
  EXPECT_EQ(Run({QStringLiteral("--output"), out, QStringLiteral("--report"), link, message}).status, 0);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_TRUE(ReadAll(real).startsWith("source\toutput\tstatus\treason\tattachments\tmessages\n"));

  // A full disk, as a file-size limit stands in for it: the old report stays, exit 1.
  const QByteArray old = ReadAll(real);
  const std::vector<ReportLine> lines{{message, out, QStringLiteral("converted"), {}}};
  struct rlimit limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const struct rlimit small{16, limit.rlim_max};
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  QDir().mkpath(Path(QStringLiteral("empty")));
  const Result full = Run({QStringLiteral("--output"), out, QStringLiteral("--report"), link, Path(QStringLiteral("empty"))});
  QString failure;
  const bool written = WriteReport(link, lines, failure);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(full.status, 1);  // what it says is cut short by the same limit
  EXPECT_FALSE(written);
  EXPECT_EQ(failure, QStringLiteral("File too large"));
  EXPECT_EQ(ReadAll(real), old);
  EXPECT_EQ(QDir(TreeRoot(dir_)).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".real")), QStringList());
}

// Naming: --replace never replaces a message, a long name without an extension is cut to
// fit, and the same name many times over gets every number once.
TEST_F(ConvertCommandTest, NamesNeverReplaceAMessageAndFitTheNameLimit) {
  const QString message = Message(QStringLiteral("in/a.msg"));
  const QString doc = Message(QStringLiteral("in/a.doc"));  // a message where a.msg's document goes
  const QByteArray docBytes = ReadAll(doc);
  const Result run = Run({QStringLiteral("--beside"), QStringLiteral("--replace"), message, doc});
  EXPECT_EQ(run.status, 0) << qPrintable(run.err);
  EXPECT_EQ(ReadAll(doc), docBytes);
  EXPECT_EQ(ReadAll(Path(QStringLiteral("in/a (2).doc"))), DocumentOf(QStringLiteral("in/a.msg")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("in/a (3).doc"))), DocumentOf(QStringLiteral("in/a.doc")));

  const QString longName = QString(252, u'n');
  const QString longMessage = Message(QStringLiteral("long/") + longName);
  QDir().mkpath(Path(QStringLiteral("same")));
  for (int i = 0; i < 30; ++i) Message(QStringLiteral("same/%1/m.msg").arg(i, 2, 10, QLatin1Char('0')));
  const Result names = Run({QStringLiteral("--beside"), QStringLiteral("--quiet"), longMessage});
  EXPECT_EQ(names.status, 0) << qPrintable(names.err);
  EXPECT_EQ(ReadAll(Path(QStringLiteral("long/") + QString(251, u'n') + QStringLiteral(".doc"))),
            DocumentOf(QStringLiteral("long/") + longName));
  QDir().mkpath(Path(QStringLiteral("all")));
  EXPECT_EQ(Run({QStringLiteral("--output"), Path(QStringLiteral("all")), Path(QStringLiteral("same"))}).status, 0);
  const QStringList written = FilesBelow(Path(QStringLiteral("all")));
  EXPECT_EQ(written.size(), 30);
  EXPECT_TRUE(written.contains(QStringLiteral("m (30).doc")));
  EXPECT_EQ(ReadAll(Path(QStringLiteral("all/m (30).doc"))), DocumentOf(QStringLiteral("same/29/m.msg")));
}

// Names on the terminal and in the report: control characters are shown escaped on standard
// error and kept exactly in the report; a name that is not UTF-8 is converted into the
// document of the same bytes; the converter's notices reach the user once each.
TEST_F(ConvertCommandTest, HostileAndUndecodableNamesAreConvertedShownEscapedAndReportedExactly) {
  const QString hostile = Damaged(QStringLiteral("in/bad\x1b]0;owned\x07\x1b[2J\x9b.msg"));
  const QByteArray latin = NativeName(Path(QStringLiteral("in/"))) + "Caf\xe9.msg";
  const QString plain = Message(QStringLiteral("latin.msg"));
  ASSERT_EQ(::rename(NativeName(plain).constData(), latin.constData()), 0);
  for (const char* name : {"in/cp1.msg", "in/cp2.msg"}) {
    msgwriter::MessageBuilder message;
    message.AddString8(0x1000, "caf\xe9").AddInt32(0x3FFD, 9999);  // a code page nobody knows
    ASSERT_TRUE(run_testing::WriteBytes(Path(QString::fromUtf8(name)), message.Build()));
  }
  const Result run = Run({QStringLiteral("--beside"), QStringLiteral("--report"), Path(QStringLiteral("r.tsv")),
                          Path(QStringLiteral("in"))});
  EXPECT_EQ(run.status, 1);
  const QByteArray err = run.err.toUtf8();
  EXPECT_FALSE(err.contains('\x1b') || err.contains('\x07') || err.contains("\xc2\x9b")) << err.toStdString();
  EXPECT_TRUE(err.contains("in/bad\\e]0;owned\\x07\\e[2J\\u009b.msg: ")) << err.toStdString();
  const QByteArray latinDocument = NativeName(Path(QStringLiteral("in/"))) + "Caf\xe9.doc";
  ASSERT_EQ(::rename(latinDocument.constData(), NativeName(Path(QStringLiteral("latin.doc"))).constData()), 0);
  EXPECT_EQ(ReadAll(Path(QStringLiteral("latin.doc"))), DocumentOf(QStringLiteral("latin.msg")));
  const QString notice = QStringLiteral("notice: code page 9999 is not known here");
  EXPECT_EQ(run.err.count(notice), 1) << qPrintable(run.err);
  const QByteArray report = ReadAll(Path(QStringLiteral("r.tsv")));
  EXPECT_TRUE(report.contains(NativeName(hostile) + '\t')) << report.toStdString();
  EXPECT_TRUE(report.contains(latin + '\t' + NativeName(Path(QStringLiteral("in/"))) + "Caf\xe9.doc\tconverted\t\t0\t0\n"))
      << report.toStdString();
  EXPECT_EQ(report.count("cp"), 4);
  EXPECT_EQ(report.count("\tconverted\tcode page 9999 is not known here"), 2) << report.toStdString();
}

TEST(TerminalText, ControlCharactersAndRawBytesAreEscaped) {
  EXPECT_EQ(TerminalText(QStringLiteral("a\x1b[31mb\x07\n\t\r\x7f\u0085 é")), QByteArray("a\\e[31mb\\x07\\n\\t\\r\\x7f\\u0085 \xc3\xa9"));
  EXPECT_EQ(TerminalText(NameFromNative(QByteArray("x\xff"))), QByteArray("x\\xff"));
  EXPECT_EQ(TerminalText(QString::fromUtf8("\xf0\x9f\x98\x80")), QByteArray("\xf0\x9f\x98\x80"));
  const std::vector<ReportLine> lines{{NameFromNative(QByteArray("/m/\xff.msg")), QString(), QStringLiteral("failed"), {}}};
  EXPECT_EQ(ReportText(lines, ReportFormat::kTsv), QByteArray("source\toutput\tstatus\treason\tattachments\tmessages\n/m/\xff.msg\t\tfailed\t\t0\t0\n"));
  EXPECT_EQ(ReportText(lines, ReportFormat::kJsonLines),
            QByteArray("{\"source\":\"/m/\\udcff.msg\",\"output\":\"\",\"status\":\"failed\",\"reason\":\"\",\"attachments\":0,\"messages\":0}\n"));
}

}  // namespace
