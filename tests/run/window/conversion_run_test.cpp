// "Start Converting" from end to end: the real window with scripted boxes, real folders, and
// the converter the program carries, run on messages built by the test.
#include <gtest/gtest.h>
#include <signal.h>

#include "support/qstring_printer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <algorithm>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <memory>

#include "run/engine/batch_run.h"
#include "run/conversion_job.h"
#include "run/plan/converter_reason.h"
#include "run/window/existing_documents.h"
#include "app/progress_bar.h"
#include "platform/shutdown.h"
#include "support/message_files.h"
#include "filelist/file_list.h"
#include "support/form_fixture.h"
#include "support/planted_journals.h"
#include "support/tree_paths.h"

namespace {

using run_testing::DocumentFor;
using run_testing::ReadAll;
using run_testing::RtfFor;

const QString kFailed = QStringLiteral("Failed to convert: ");
const QString kNotStarted = QStringLiteral("The converter could not be started.");

// The closing box: "Done." over the counts.
QString Done(int converted, int failed) {
  return QStringLiteral("Done.\r\n%1 converted, %2 failed").arg(converted).arg(failed);
}
// A failure box: the path on the first line, the reason under it.
QString Failed(const QString& source, const QString& reason) { return kFailed + source + QStringLiteral("\r\n") + reason; }

// Runs a piece of test code every time the run hands control to the event loop.
class WhileRunning {
 public:
  explicit WhileRunning(std::function<void()> action) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, std::move(action));
    timer_.start();
  }

 private:
  QTimer timer_;
};

class ConversionRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldTemp_ = qgetenv("TEMP");
    qputenv("TEMP", TreeRoot(temp_).toLocal8Bit());
  }
  void TearDown() override { qputenv("TEMP", oldTemp_); }

  // Starts the window. The documents these tests compare are the message's body alone: the
  // choices a first start ticks (header, pictures, attachments) are stored cleared unless
  // the test stored its own.
  void Load() {
    for (const char* key : {"HeaderBlock", "Pictures", "Attachments"}) {
      if (!fixture_->settings.Value(QString::fromLatin1(key))) fixture_->settings.Set(QString::fromLatin1(key), QStringLiteral("False"));
    }
    fixture_->Load();
  }

  // The window, loaded with the given output choice as stored settings.
  Form1& Window(const QString& option1, const QString& option2, const QString& folderText) {
    fixture_ = std::make_unique<FormFixture>(TempSettings::Values{
        {QStringLiteral("Option1"), option1}, {QStringLiteral("Option2"), option2},
        {QStringLiteral("Text1"), folderText}});
    Load();
    fixture_->dialogs.shown.clear();
    return fixture_->form();
  }
  Form1& ToFolder(const QString& folderText) {
    return Window(QStringLiteral("True"), QStringLiteral("False"), folderText);
  }
  Form1& BesideSources() { return Window(QStringLiteral("False"), QStringLiteral("True"), TreeRoot(out_)); }

  // Writes a message into the sources folder (or a sub-folder) and lists it.
  QString AddMessage(const QString& relative) {
    const QString path = QDir(TreeRoot(sources_)).filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    EXPECT_TRUE(run_testing::WriteMessage(path, RtfFor(relative)));
    fixture_->form().ListView1->Append(path);
    return path;
  }
  QString AddDamagedMessage(const QString& relative) {
    const QString path = QDir(TreeRoot(sources_)).filePath(relative);
    EXPECT_TRUE(run_testing::WriteDamagedMessage(path));
    fixture_->form().ListView1->Append(path);
    return path;
  }

  void Click() { fixture_->form().PushButton2_Click(); }
  std::vector<QString> Messages() const { return fixture_->dialogs.Messages(); }
  QString Out(const QString& name) const { return QDir(TreeRoot(out_)).filePath(name); }
  QStringList OutFiles() const { return QDir(TreeRoot(out_)).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
  // Nothing of the converter is left in the temporary folder.
  bool TemporaryFolderEmpty() const {
    return QDir(TreeRoot(temp_)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty();
  }
  void ExpectIdle() {
    Form1& form = fixture_->form();
    EXPECT_FALSE(form.Converting);
    EXPECT_EQ(form.MousePointer(), WindowPointer::Default);
    EXPECT_EQ(form.ProgressBar1->Progress(), 0);
    EXPECT_EQ(form.ProgressBar1->StatusText(), QStringLiteral("Progress Bar"));
    EXPECT_TRUE(TemporaryFolderEmpty());
  }

  TempTree temp_;
  TempTree sources_;
  TempTree out_;
  QByteArray oldTemp_;
  std::unique_ptr<FormFixture> fixture_;
};

TEST_F(ConversionRunTest, OutputFolderWithTrailingSeparator) {
  ToFolder(TreeRoot(out_) + QStringLiteral("/"));
  AddMessage(QStringLiteral("first.msg"));
  AddMessage(QStringLiteral("sub/second.b.msg"));
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{Done(2, 0)});
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("first.doc"), QStringLiteral("second.b.doc")}));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("first.doc"))), DocumentFor(RtfFor(QStringLiteral("first.msg"))));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("second.b.doc"))), DocumentFor(RtfFor(QStringLiteral("sub/second.b.msg"))));
  ExpectIdle();
  EXPECT_EQ(fixture_->form().ListView1->Count(), 2);  // the list keeps its rows
}

// The stored choice is passed on to the converter for every row; off, the documents stay
// as the other tests expect them.
TEST_F(ConversionRunTest, TheHeaderBlockChoiceReachesTheConverter) {
  fixture_ = std::make_unique<FormFixture>(TempSettings::Values{
      {QStringLiteral("Text1"), TreeRoot(out_)}, {QStringLiteral("HeaderBlock"), QStringLiteral("True")}});
  Load();
  msgwriter::MessageBuilder message;
  message.AddRtfBody(RtfFor(QStringLiteral("subject.msg"))).AddUnicode(0x0037, u"Quarterly figures");
  const QString path = QDir(TreeRoot(sources_)).filePath(QStringLiteral("subject.msg"));
  ASSERT_TRUE(run_testing::WriteBytes(path, message.Build()));
  fixture_->form().ListView1->Append(path);
  Click();
  const QByteArray document = ReadAll(Out(QStringLiteral("subject.doc")));
  const qsizetype subject = document.indexOf("Quarterly figures");
  EXPECT_TRUE(subject > 0 && subject < document.indexOf("Message subject.msg")) << document.constData();

  fixture_->form().DocumentBoxFor(&ConversionOptions::header_block)->click();
  fixture_->dialogs.AnswerChoice(0);  // replace the document of the first run
  Click();
  EXPECT_EQ(ReadAll(Out(QStringLiteral("subject.doc"))), DocumentFor(RtfFor(QStringLiteral("subject.msg"))));
}

// "Keep sub-folders" with a dropped folder: each document at its message's place below the
// folder dropped (a link keeping its name), the folders made by the run; a file added by
// itself and the same message reached through a second dropped folder (a sub-folder of the
// first) go by their own roots; the same name in two folders is no collision. Unticked,
// every document goes into the output folder itself.
TEST_F(ConversionRunTest, KeepSubFoldersPutsEachDocumentAtItsPlaceBelowTheDroppedFolder) {
  fixture_ = std::make_unique<FormFixture>(TempSettings::Values{
      {QStringLiteral("Text1"), TreeRoot(out_)}, {QStringLiteral("KeepFolders"), QStringLiteral("True")}});
  Load();
  Form1& form = fixture_->form();
  EXPECT_TRUE(form.RunOptionCheck(QStringLiteral("tree"))->isChecked());
  const QDir sources(TreeRoot(sources_));
  for (const char* name : {"mail/a.msg", "mail/2024/a.msg", "mail/2024/May/b.msg", "mail/2024/May/old/c.msg",
                           "elsewhere/d.msg", "loose/e.msg"}) {
    const QString path = sources.filePath(QString::fromLatin1(name));
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(run_testing::WriteMessage(path, RtfFor(QString::fromLatin1(name))));
  }
  ASSERT_TRUE(QFile::link(sources.filePath(QStringLiteral("elsewhere")), sources.filePath(QStringLiteral("mail/linked"))));
  form.QueuePaths({sources.filePath(QStringLiteral("mail")), sources.filePath(QStringLiteral("loose/e.msg")),
                   sources.filePath(QStringLiteral("mail/2024/May"))});
  ASSERT_EQ(form.ListView1->Count(), 8);
  EXPECT_EQ(form.ListView1->Root(form.ListView1->Count()), sources.filePath(QStringLiteral("mail/2024/May")));
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{Done(8, 0)});
  const QDir out(TreeRoot(out_));
  for (const auto& [document, message] : std::initializer_list<std::pair<const char*, const char*>>{
           {"a.doc", "mail/a.msg"},
           {"2024/a.doc", "mail/2024/a.msg"},
           {"2024/May/b.doc", "mail/2024/May/b.msg"},
           {"2024/May/old/c.doc", "mail/2024/May/old/c.msg"},
           {"linked/d.doc", "elsewhere/d.msg"},
           {"e.doc", "loose/e.msg"},
           {"b.doc", "mail/2024/May/b.msg"},   // through the second folder dropped
           {"old/c.doc", "mail/2024/May/old/c.msg"}}) {
    EXPECT_EQ(ReadAll(out.filePath(QString::fromLatin1(document))), DocumentFor(RtfFor(QString::fromLatin1(message))))
        << document;
  }
  ExpectIdle();

  // Unticked: one folder, numbered names; a message listed twice makes one document.
  form.RunOptionCheck(QStringLiteral("tree"))->click();
  EXPECT_EQ(fixture_->settings.Value(QStringLiteral("KeepFolders")), QStringLiteral("False"));
  QDir(TreeRoot(out_)).removeRecursively();
  QDir().mkpath(TreeRoot(out_));
  Click();
  // b and c, listed twice for one document each, are converted once and said to be so.
  EXPECT_EQ(Messages().back(), Done(6, 0) + QStringLiteral(", 2 listed twice"));
  EXPECT_EQ(OutFiles(), QStringList({"a (2).doc", "a.doc", "b.doc", "c.doc", "d.doc", "e.doc"}));
  EXPECT_TRUE(QFile::exists(Out(QStringLiteral("a (2).doc"))));
}

// One message listed under two names, through a link to its folder, is one message: one
// document, and the closing box says the second listing was merged. Beside the messages,
// the two names make the same document, through the link.
TEST_F(ConversionRunTest, AMessageListedThroughALinkToItsFolderIsConvertedOnce) {
  ToFolder(TreeRoot(out_));
  const QString message = AddMessage(QStringLiteral("m/a.msg"));
  const QDir sources(TreeRoot(sources_));
  ASSERT_TRUE(QFile::link(sources.filePath(QStringLiteral("m")), sources.filePath(QStringLiteral("m2"))));
  fixture_->form().ListView1->Append(sources.filePath(QStringLiteral("m2/a.msg")));
  Click();
  EXPECT_EQ(Messages().back(), Done(1, 0) + QStringLiteral(", 1 listed twice"));
  EXPECT_EQ(OutFiles(), QStringList{QStringLiteral("a.doc")});
  ExpectIdle();

  BesideSources();
  fixture_->form().ListView1->Append(message);
  fixture_->form().ListView1->Append(sources.filePath(QStringLiteral("m2/a.msg")));
  Click();
  EXPECT_EQ(Messages().back(), Done(1, 0) + QStringLiteral(", 1 listed twice"));
  EXPECT_EQ(QDir(sources.filePath(QStringLiteral("m"))).entryList(QDir::Files, QDir::Name),
            (QStringList{QStringLiteral("a.doc"), QStringLiteral("a.msg")}));
}

// "Name documents by: date and subject" asks the converters for each message's name before
// the run; "Date documents like their messages" dates each document; "Show pictures" and
// "Save attachments" reach the converter (an attachment saved beside its document).
TEST_F(ConversionRunTest, NamesDatesAndAttachmentsFromTheWindowsChoices) {
  const QByteArray oldZone = qgetenv("TZ");
  qputenv("TZ", "UTC0");
  fixture_ = std::make_unique<FormFixture>(TempSettings::Values{{QStringLiteral("Text1"), TreeRoot(out_)},
                                                                {QStringLiteral("NameBy"), QStringLiteral("date-subject")},
                                                                {QStringLiteral("DateFiles"), QStringLiteral("True")},
                                                                {QStringLiteral("Attachments"), QStringLiteral("True")},
                                                                {QStringLiteral("Pictures"), QStringLiteral("True")}});
  Load();
  Form1& form = fixture_->form();
  EXPECT_EQ(form.RunOptionList(QStringLiteral("name"))->currentText(), QStringLiteral("date and subject"));
  EXPECT_TRUE(form.DocumentBoxFor(&ConversionOptions::pictures)->isChecked() &&
              form.DocumentBoxFor(&ConversionOptions::attachments)->isChecked() &&
              form.DocumentBoxFor(&ConversionOptions::file_dates)->isChecked());
  constexpr std::int64_t kSent = 1796735100;  // 8 December 2026 13:05 UTC
  msgwriter::MessageBuilder message;
  message.AddRtfBody(RtfFor(QStringLiteral("m.msg"))).AddUnicode(0x0037, u"RE: a/b\u0001 plan");
  message.AddTime(0x0039, 116'444'736'000'000'000ULL + static_cast<std::uint64_t>(kSent) * 10'000'000ULL);
  message.AddAttachment(1).AddUnicode(0x3707, u"note.txt").AddBinary(0x3701, {'h', 'i'});
  const QString path = QDir(TreeRoot(sources_)).filePath(QStringLiteral("123.msg"));
  ASSERT_TRUE(run_testing::WriteBytes(path, message.Build()));
  form.ListView1->Append(path);
  AddDamagedMessage(QStringLiteral("damaged.msg"));  // no name to read: its file's name, and its failure
  fixture_->dialogs.AnswerChoice(0);
  Click();
  const QString document = Out(QStringLiteral("2026-12-08 1305 RE: a_b  plan.doc"));
  EXPECT_TRUE(QFile::exists(document)) << qPrintable(OutFiles().join(u'|'));
  EXPECT_EQ(QFileInfo(document).lastModified().toSecsSinceEpoch(), kSent);
  EXPECT_EQ(ReadAll(Out(QStringLiteral("2026-12-08 1305 RE: a_b  plan attachments/note.txt"))), QByteArray("hi"));
  EXPECT_FALSE(QFile::exists(Out(QStringLiteral("damaged.doc"))));
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_TRUE(Messages()[0].startsWith(kFailed + QDir(TreeRoot(sources_)).filePath(QStringLiteral("damaged.msg"))));
  EXPECT_EQ(Messages()[1], Done(1, 1));
  ExpectIdle();

  // The choice is kept as it changes.
  form.RunOptionList(QStringLiteral("name"))->setCurrentIndex(0);
  emit form.RunOptionList(QStringLiteral("name"))->activated(0);
  EXPECT_EQ(fixture_->settings.Value(QStringLiteral("NameBy")), QStringLiteral("file"));
  form.DocumentBoxFor(&ConversionOptions::file_dates)->click();
  EXPECT_EQ(fixture_->settings.Value(QStringLiteral("DateFiles")), QStringLiteral("False"));
  if (oldZone.isNull()) qunsetenv("TZ"); else qputenv("TZ", oldZone);
}

TEST_F(ConversionRunTest, OutputFolderWithoutTrailingSeparator) {
  ToFolder(TreeRoot(out_));
  AddMessage(QStringLiteral("only.msg"));
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{Done(1, 0)});
  EXPECT_EQ(ReadAll(Out(QStringLiteral("only.doc"))), DocumentFor(RtfFor(QStringLiteral("only.msg"))));
  ExpectIdle();
}

TEST_F(ConversionRunTest, ALeadingTildeInTheFolderTextIsTheHomeFolder) {
  const QByteArray oldHome = qgetenv("HOME");
  qputenv("HOME", TreeRoot(out_).toLocal8Bit());
  ASSERT_TRUE(QDir(TreeRoot(out_)).mkdir(QStringLiteral("Docs")));
  ToFolder(QStringLiteral("~/Docs"));
  AddMessage(QStringLiteral("first.msg"));
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{Done(1, 0)});
  EXPECT_TRUE(QFile::exists(Out(QStringLiteral("Docs/first.doc"))));
  EXPECT_EQ(fixture_->settings.Value(QStringLiteral("Text1")), QStringLiteral("~/Docs"));  // kept as typed
  qputenv("HOME", oldHome);
}

TEST_F(ConversionRunTest, BesideEachSourceEvenWithAMissingFolderText) {
  Window(QStringLiteral("False"), QStringLiteral("True"), QStringLiteral("/no/such/folder"));
  const QString a = AddMessage(QStringLiteral("a.msg"));
  const QString b = AddMessage(QStringLiteral("deeper/b"));
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{Done(2, 0)});
  EXPECT_EQ(ReadAll(QDir(TreeRoot(sources_)).filePath(QStringLiteral("a.doc"))), DocumentFor(RtfFor(QStringLiteral("a.msg"))));
  EXPECT_EQ(ReadAll(QDir(TreeRoot(sources_)).filePath(QStringLiteral("deeper/b.doc"))), DocumentFor(RtfFor(QStringLiteral("deeper/b"))));
  EXPECT_TRUE(OutFiles().isEmpty());
  ExpectIdle();
}

TEST_F(ConversionRunTest, SpacesAndDoubleQuotesInPaths) {
  const QString out = QDir(TreeRoot(out_)).filePath(QStringLiteral("my \"out\" dir"));
  ASSERT_TRUE(QDir().mkpath(out));
  const QString temp = QDir(TreeRoot(temp_)).filePath(QStringLiteral("a \"temp\" folder"));
  ASSERT_TRUE(QDir().mkpath(temp));
  qputenv("TEMP", temp.toLocal8Bit());
  ToFolder(out);
  AddMessage(QStringLiteral("in box/say \"hi\" now.msg"));
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{Done(1, 0)});
  EXPECT_EQ(ReadAll(QDir(out).filePath(QStringLiteral("say \"hi\" now.doc"))),
            DocumentFor(RtfFor(QStringLiteral("in box/say \"hi\" now.msg"))));
  EXPECT_TRUE(QDir(temp).isEmpty());
}

TEST_F(ConversionRunTest, AnEmptyListOnlySaysSo) {
  Form1& form = ToFolder(TreeRoot(out_));
  form.ProgressBar1->SetStatusText(QStringLiteral("left as it was"));
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{QStringLiteral("No files added.")});
  EXPECT_EQ(form.ProgressBar1->StatusText(), QStringLiteral("left as it was"));
  EXPECT_FALSE(form.Converting);
  EXPECT_TRUE(TemporaryFolderEmpty());
}

// A typed output folder that is not there is offered to be made: No converts nothing,
// Yes makes it (as mkdir -p) and the run goes on; no folder typed at all is said in a box.
TEST_F(ConversionRunTest, AMissingOutputFolderIsOfferedToBeMade) {
  const QString missing = QDir(TreeRoot(out_)).filePath(QStringLiteral("new/deeper"));
  for (const bool yes : {false, true}) {
    Form1& form = ToFolder(missing);
    AddMessage(QStringLiteral("a.msg"));
    fixture_->dialogs.AnswerYesNo(yes);
    Click();
    EXPECT_EQ(Messages(), yes ? std::vector<QString>{Done(1, 0)} : std::vector<QString>{});
    EXPECT_EQ(QFileInfo::exists(QDir(missing).filePath(QStringLiteral("a.doc"))), yes);
    EXPECT_EQ(form.MousePointer(), WindowPointer::Default);
    EXPECT_FALSE(form.Converting);
    EXPECT_TRUE(TemporaryFolderEmpty());
  }
  Form1& form = ToFolder(QString());
  AddMessage(QStringLiteral("a.msg"));
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{QStringLiteral("No output folder is given. Please select another folder.")});
  EXPECT_FALSE(form.Converting);
  EXPECT_TRUE(TemporaryFolderEmpty());
}

// "Save as:" PDF without LibreOffice: one box says which package to install, and nothing
// is converted or placed.
TEST_F(ConversionRunTest, APdfRunWithoutLibreOfficeSaysWhatToInstallAndWritesNothing) {
  Form1& form = ToFolder(TreeRoot(out_));
  AddMessage(QStringLiteral("a.msg"));
  form.RunOptionList(QStringLiteral("format"))
      ->setCurrentIndex(form.RunOptionList(QStringLiteral("format"))->findData(QStringLiteral("pdf")));
  const QByteArray office = qgetenv("LORVANE_SOFFICE");
  qputenv("LORVANE_SOFFICE", QDir(TreeRoot(temp_)).filePath(QStringLiteral("no-office")).toLocal8Bit());
  Click();
  if (office.isNull()) qunsetenv("LORVANE_SOFFICE"); else qputenv("LORVANE_SOFFICE", office);
  const std::vector<QString> messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].contains(QStringLiteral("libreoffice-writer-nogui"))) << messages[0].toStdString();
  EXPECT_TRUE(OutFiles().isEmpty());
  EXPECT_FALSE(form.Converting);
  EXPECT_TRUE(TemporaryFolderEmpty());
}

TEST_F(ConversionRunTest, NeitherOptionFailsEveryRow) {
  Window(QStringLiteral("False"), QStringLiteral("False"), TreeRoot(out_));
  const QString a = AddMessage(QStringLiteral("a.msg"));
  const QString b = AddMessage(QStringLiteral("b.msg"));
  Click();
  const QString reason = QStringLiteral("The document could not be written. (output path \"\" names no file)");
  EXPECT_EQ(Messages(), (std::vector<QString>{Failed(a, reason), Failed(b, reason), Done(0, 2)}));
  EXPECT_TRUE(OutFiles().isEmpty());
  ExpectIdle();
}

TEST_F(ConversionRunTest, ADamagedMessageFailsAloneAndLeavesNoPartialFile) {
  ToFolder(TreeRoot(out_));
  AddMessage(QStringLiteral("good1.msg"));
  const QString bad = AddDamagedMessage(QStringLiteral("bad.msg"));
  AddMessage(QStringLiteral("good2.msg"));
  Click();
  // The converter's own reason stands under the path.
  const std::vector<QString> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(messages[0].startsWith(kFailed + bad + QStringLiteral("\r\n"))) << messages[0].toStdString();
  EXPECT_TRUE(messages[0].endsWith(QStringLiteral("\r\nThe message file is damaged and cannot be read. "
                                                  "(compressed-RTF CRC32 failed)")))
      << messages[0].toStdString();
  EXPECT_EQ(messages[1], Done(2, 1));
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("good1.doc"), QStringLiteral("good2.doc")}));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("good1.doc"))), DocumentFor(RtfFor(QStringLiteral("good1.msg"))));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("good2.doc"))), DocumentFor(RtfFor(QStringLiteral("good2.msg"))));
  ExpectIdle();
}

TEST_F(ConversionRunTest, AFailingConverterFailsTheRowDespiteAnOlderDocument) {
  ToFolder(TreeRoot(out_));
  const QString bad = AddDamagedMessage(QStringLiteral("bad.msg"));
  QFile older(Out(QStringLiteral("bad.doc")));
  ASSERT_TRUE(older.open(QIODevice::WriteOnly));
  older.write("from an earlier run");
  older.close();
  fixture_->dialogs.AnswerChoice(0);  // replace it
  Click();
  const std::vector<QString> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(messages[0].startsWith(kFailed + bad + QStringLiteral("\r\n"))) << messages[0].toStdString();
  EXPECT_EQ(messages[1], Done(0, 1));
  // The earlier document is neither reported as this run's result nor destroyed.
  EXPECT_EQ(ReadAll(Out(QStringLiteral("bad.doc"))), QByteArray("from an earlier run"));
}

TEST_F(ConversionRunTest, SameNameFromTwoFoldersGetsANumberedSecondDocument) {
  ToFolder(TreeRoot(out_));
  const QString first = AddMessage(QStringLiteral("one/x.msg"));
  AddMessage(QStringLiteral("two/x.msg"));
  AddMessage(QStringLiteral("three/x.eml"));
  fixture_->form().ListView1->Append(first);  // the same source again keeps its document
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{Done(3, 0) + QStringLiteral(", 1 listed twice")});
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("x (2).doc"), QStringLiteral("x (3).doc"), QStringLiteral("x.doc")}));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("x.doc"))), DocumentFor(RtfFor(QStringLiteral("one/x.msg"))));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("x (2).doc"))), DocumentFor(RtfFor(QStringLiteral("two/x.msg"))));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("x (3).doc"))), DocumentFor(RtfFor(QStringLiteral("three/x.eml"))));
}

// The bar names the message most recently begun with its place in the run, and its value
// is the share of messages done; the button reads "Stop Converting" meanwhile.
TEST_F(ConversionRunTest, TheBarShowsEachRowsShareAndNameUnderTheHourglass) {
  Form1& form = ToFolder(TreeRoot(out_));
  const QStringList names{QStringLiteral("a.msg"), QStringLiteral("b.msg"), QStringLiteral("c.msg"), QStringLiteral("d.msg")};
  for (const QString& name : names) AddMessage(name);
  std::vector<std::pair<double, QString>> seen;
  bool alwaysHourglass = true;
  QStringList captions;
  {
    WhileRunning watch([&] {
      if (!form.Converting) return;
      if (form.ProgressBar1->StatusText().startsWith(QStringLiteral("Processing"))) captions << form.PushButton2->text();
      const std::pair<double, QString> now{form.ProgressBar1->Progress(), form.ProgressBar1->StatusText()};
      if (now.second != QStringLiteral("Progress Bar") && (seen.empty() || seen.back() != now)) seen.push_back(now);
      alwaysHourglass = alwaysHourglass && form.MousePointer() == WindowPointer::Hourglass;
    });
    Click();
  }
  ASSERT_FALSE(seen.empty());
  int lastPlace = 0;
  double lastValue = 0;
  for (const auto& [value, text] : seen) {
    int place = 0;
    for (int i = 1; i <= 4; ++i)
      if (text == QStringLiteral("Processing: %1 (%2 of 4)").arg(names[i - 1]).arg(i)) place = i;
    ASSERT_GE(place, 1) << text.toStdString();
    EXPECT_GE(place, lastPlace) << text.toStdString();
    EXPECT_GE(value, lastValue) << text.toStdString();
    EXPECT_LE(value, 100.0);
    lastPlace = place;
    lastValue = value;
  }
  EXPECT_TRUE(alwaysHourglass);
  EXPECT_FALSE(captions.isEmpty());
  EXPECT_EQ(captions.filter(QStringLiteral("&Stop Converting")).size(), captions.size());
  EXPECT_EQ(form.PushButton2->text(), QStringLiteral("&Start Converting"));
  ExpectIdle();
}

TEST_F(ConversionRunTest, TheConverterLivesInAPrivateFolderForTheRunOnly) {
  Form1& form = ToFolder(TreeRoot(out_));
  AddMessage(QStringLiteral("a.msg"));
  QStringList placed;
  {
    WhileRunning watch([&] {
      if (!form.Converting || !placed.isEmpty()) return;
      for (const QFileInfo& folder : QDir(TreeRoot(temp_)).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QFileInfo converter(QDir(folder.filePath()).filePath(QStringLiteral("Quorlin.exe")));
        if (converter.isExecutable()) placed << converter.filePath();
        EXPECT_EQ(folder.permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ReadGroup |
                                          QFileDevice::WriteGroup),
                  QFileDevice::Permissions{});
      }
    });
    Click();
  }
  EXPECT_EQ(placed.size(), 1);
  EXPECT_EQ(Messages(), std::vector<QString>{Done(1, 0)});
  EXPECT_TRUE(TemporaryFolderEmpty());
}

TEST_F(ConversionRunTest, ClosingTheWindowMidRunTakesTheConverterAway) {
  Form1& form = ToFolder(TreeRoot(out_));
  AddMessage(QStringLiteral("a.msg"));
  bool cleaned = false;
  {
    WhileRunning watch([&] {
      if (!form.Converting || cleaned) return;
      // What ending the program does before the process goes.
      RunCleanups();
      cleaned = true;
      EXPECT_TRUE(TemporaryFolderEmpty());
    });
    Click();
  }
  EXPECT_TRUE(cleaned);
  EXPECT_TRUE(TemporaryFolderEmpty());
}

// The run takes the rows as they stand when it begins: rows removed meanwhile are still
// converted, and nothing is read past the list's end.
TEST_F(ConversionRunTest, RowsRemovedDuringTheRunAreStillConvertedAsListedWhenItBegan) {
  Form1& form = ToFolder(TreeRoot(out_));
  AddMessage(QStringLiteral("a.msg"));
  AddMessage(QStringLiteral("b.msg"));
  AddMessage(QStringLiteral("c.msg"));
  bool cleared = false;
  {
    WhileRunning watch([&] {
      if (!form.Converting || cleared) return;
      form.ListView1->Clear();
      cleared = true;
    });
    Click();
  }
  EXPECT_TRUE(cleared);
  EXPECT_EQ(Messages(), std::vector<QString>{Done(3, 0)});
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("a.doc"), QStringLiteral("b.doc"), QStringLiteral("c.doc")}));
  ExpectIdle();
}

TEST_F(ConversionRunTest, AConverterThatCannotBePlacedFailsEachRowAfterOneErrorBox) {
  ToFolder(TreeRoot(out_));
  const QString a = AddMessage(QStringLiteral("a.msg"));
  const QString b = AddMessage(QStringLiteral("b.msg"));
  // The temporary folder is missing and nothing can stand in for it: the cache and
  // runtime folders would lie below a plain file.
  qputenv("TEMP", QDir(TreeRoot(temp_)).filePath(QStringLiteral("missing")).toLocal8Bit());
  QFile blocker(QDir(TreeRoot(temp_)).filePath(QStringLiteral("file")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
  const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
  qputenv("XDG_CACHE_HOME", (blocker.fileName() + QStringLiteral("/cache")).toLocal8Bit());
  qputenv("XDG_RUNTIME_DIR", (blocker.fileName() + QStringLiteral("/runtime")).toLocal8Bit());
  Click();
  qputenv("XDG_CACHE_HOME", oldCache);
  qputenv("XDG_RUNTIME_DIR", oldRuntime);
  const std::vector<QString> messages = Messages();
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_TRUE(messages[0].contains(QStringLiteral("in Lorvane2021/08/31.Form1.PushButton2_Click at line 110")))
      << messages[0].toStdString();
  EXPECT_EQ(fixture_->dialogs.ErrorBoxes().size(), 1u);
  EXPECT_EQ(messages[1], Failed(a, kNotStarted));
  EXPECT_EQ(messages[2], Failed(b, kNotStarted));
  EXPECT_EQ(messages[3], Done(0, 2));
  EXPECT_TRUE(OutFiles().isEmpty());
}

TEST_F(ConversionRunTest, AConverterThatCannotStartIsExplainedOnceThenEachRowFails) {
  Form1& form = ToFolder(TreeRoot(out_));
  const QString a = AddMessage(QStringLiteral("a.msg"));
  const QString b = AddMessage(QStringLiteral("b.msg"));
  bool blocked = false;
  {
    // What a temporary folder mounted without execution does: the placed converter is
    // there but may not be started.
    WhileRunning watch([&] {
      if (!form.Converting || blocked) return;
      for (const QFileInfo& folder : QDir(TreeRoot(temp_)).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile converter(QDir(folder.filePath()).filePath(QStringLiteral("Quorlin.exe")));
        if (converter.exists()) blocked = converter.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
      }
    });
    Click();
  }
  ASSERT_TRUE(blocked);
  const std::vector<QString> messages = Messages();
  ASSERT_EQ(messages.size(), 4u);
  ASSERT_EQ(fixture_->dialogs.ErrorBoxes().size(), 1u);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("The converter could not be started: ")))
      << messages[0].toStdString();
  EXPECT_TRUE(messages[0].contains(QStringLiteral("Permission denied"))) << messages[0].toStdString();
  EXPECT_TRUE(messages[0].contains(QStringLiteral("in Lorvane2021/08/31.Form1.PushButton2_Click at line 138")));
  EXPECT_EQ(messages[1], Failed(a, kNotStarted));
  EXPECT_EQ(messages[2], Failed(b, kNotStarted));
  EXPECT_EQ(messages[3], Done(0, 2));
  EXPECT_TRUE(OutFiles().isEmpty());
  ExpectIdle();
}

// Documents already in the output folder: one question before anything is written.
class ExistingDocumentsTest : public ConversionRunTest {
 protected:
  void WriteOut(const QString& name, const QByteArray& bytes) {
    QFile file(Out(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  // Two of three documents exist already.
  void Prepare() {
    ToFolder(TreeRoot(out_));
    for (const char* name : {"a.msg", "b.msg", "c.msg"}) AddMessage(QString::fromUtf8(name));
    WriteOut(QStringLiteral("a.doc"), "mine a");
    WriteOut(QStringLiteral("b.doc"), "mine b");
  }
  const ShownBox* Question() const {
    for (const ShownBox& box : fixture_->dialogs.shown)
      if (box.kind == ShownBox::Kind::Choice) return &box;
    return nullptr;
  }
};

TEST_F(ExistingDocumentsTest, TheQuestionNamesThemAndEachAnswerDoesWhatItSays) {
  Prepare();
  fixture_->dialogs.AnswerChoice(3);  // Cancel: nothing at all happens
  Click();
  const ShownBox* question = Question();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(question->text, QStringLiteral("2 documents that this run would write already exist:\r\n") + Out("a.doc") +
                                QStringLiteral("\r\n") + Out("b.doc") +
                                QStringLiteral("\r\n\r\nReplace them, keep them and write the new documents "
                                               "under numbered names (\"Report (2).doc\"), or skip them and convert "
                                               "only the messages whose documents are not there yet?"));
  EXPECT_EQ(question->extra, QStringLiteral("Replace Them|Keep Them|Skip Them|Cancel"));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("a.doc"), QStringLiteral("b.doc")}));
  ExpectIdle();

  fixture_->dialogs.shown.clear();
  fixture_->dialogs.AnswerChoice(1);  // Keep: the new documents take numbered names
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{Done(3, 0)});
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("a (2).doc"), QStringLiteral("a.doc"), QStringLiteral("b (2).doc"),
                                     QStringLiteral("b.doc"), QStringLiteral("c.doc")}));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("a.doc"))), QByteArray("mine a"));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("a (2).doc"))), DocumentFor(RtfFor(QStringLiteral("a.msg"))));

  // Replace: c.doc, written by the last run, is asked about like the user's own; the
  // documents named are replaced.
  fixture_->dialogs.shown.clear();
  fixture_->dialogs.AnswerChoice(0);
  Click();
  ASSERT_NE(Question(), nullptr);
  EXPECT_TRUE(Question()->text.startsWith(QStringLiteral("3 documents")));
  EXPECT_EQ(Messages(), std::vector<QString>{Done(3, 0)});
  EXPECT_EQ(ReadAll(Out(QStringLiteral("a.doc"))), DocumentFor(RtfFor(QStringLiteral("a.msg"))));
  EXPECT_EQ(OutFiles().size(), 5);
  ExpectIdle();
}

TEST_F(ExistingDocumentsTest, ALongListIsCountedAndAListedSourceIsNeverOffered) {
  QStringList paths;
  for (int i = 1; i <= 7; ++i) paths << QStringLiteral("/out/%1.doc").arg(i);
  const QString text = ExistingDocumentsQuestion(paths);
  EXPECT_TRUE(text.startsWith(QStringLiteral("7 documents that this run would write already exist:\r\n/out/1.doc\r\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("/out/5.doc\r\nand 2 more\r\n\r\n")));
  EXPECT_FALSE(text.contains(QStringLiteral("/out/6.doc")));
  EXPECT_TRUE(ExistingDocumentsQuestion({QStringLiteral("/o/a.doc")}).startsWith(QStringLiteral("1 document that this run would write already exists:")));

  // A listed file that a message's document would replace is the user's: no question, the
  // document takes a numbered name.
  BesideSources();
  const QString message = AddMessage(QStringLiteral("x.msg"));
  const QString listed = QDir(TreeRoot(sources_)).filePath(QStringLiteral("x.doc"));
  QFile file(listed);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("listed");
  file.close();
  fixture_->form().ListView1->Append(listed);
  Click();
  EXPECT_EQ(Question(), nullptr);
  EXPECT_EQ(ReadAll(listed), QByteArray("listed"));
  EXPECT_EQ(ReadAll(QDir(TreeRoot(sources_)).filePath(QStringLiteral("x (2).doc"))), DocumentFor(RtfFor(QStringLiteral("x.msg"))));
  EXPECT_TRUE(Messages().back().startsWith(QStringLiteral("Done.\r\n1 converted, 1 failed")));
}

TEST_F(ConversionRunTest, TickingTheBoxCollectsLaterFailuresIntoTheClosingBox) {
  Form1& form = ToFolder(TreeRoot(out_));
  const QString bad1 = AddDamagedMessage(QStringLiteral("bad1.msg"));
  AddMessage(QStringLiteral("good.msg"));
  const QString bad2 = AddDamagedMessage(QStringLiteral("bad2.msg"));
  const QString bad3 = AddDamagedMessage(QStringLiteral("bad3.msg"));
  fixture_->dialogs.TickCheckBox(true);
  // The closing box's "Save List..." keeps every message of the run as the command's report.
  const QString list = QDir(TreeRoot(sources_)).filePath(QStringLiteral("failures"));
  fixture_->dialogs.PressSaveList(true);
  fixture_->dialogs.AnswerSaveFile(list);
  form.SetMousePointer(WindowPointer::Hourglass);  // as a folder add under way leaves it
  Click();
  const QStringList saved = QString::fromUtf8(ReadAll(list + QStringLiteral(".tsv"))).split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(saved.size(), 5) << saved.join(u'\n').toStdString();
  EXPECT_TRUE(saved[1].startsWith(bad1 + u'\t') && saved[1].contains(QStringLiteral("\tfailed\t")));
  EXPECT_TRUE(saved[2].contains(QStringLiteral("good.doc\tconverted\t")));
  // The failure box, the closing box, and the save dialog the closing box opened.
  std::vector<ShownBox> shown = fixture_->dialogs.shown;
  ASSERT_EQ(shown.size(), 3u);
  std::stable_partition(shown.begin(), shown.end(), [&](const ShownBox& box) {
    return box.text.startsWith(kFailed) || box.text == Done(1, 3);
  });
  EXPECT_TRUE(shown[0].text.startsWith(kFailed + bad1 + QStringLiteral("\r\n")));
  EXPECT_EQ(shown[0].extra, QStringLiteral("Do not show this again during this run"));
  EXPECT_EQ(shown[1].text, Done(1, 3));
  const QString reason = QStringLiteral("The message file is damaged and cannot be read. (compressed-RTF CRC32 failed)");
  EXPECT_EQ(shown[1].icon, Dialogs::Icon::Exclamation);
  EXPECT_EQ(shown[1].extra, bad1 + QStringLiteral("\r\n") + reason + QStringLiteral("\r\n\r\n") + bad2 +
                                QStringLiteral("\r\n") + reason + QStringLiteral("\r\n\r\n") + bad3 +
                                QStringLiteral("\r\n") + reason);
  // The run gives back the pointer it found.
  EXPECT_EQ(form.MousePointer(), WindowPointer::Hourglass);
  EXPECT_FALSE(form.Converting);
}

// Runs with the converter stand-in that hangs on a message named "hang" (see
// tests/convert/tools), one converter at a time so the order is known.
class StandInRunTest : public ConversionRunTest {
 protected:
  Form1& StandInWindow(const QString& timeLimit = QStringLiteral("120"), bool besideSources = false) {
    const QString toFolder = besideSources ? QStringLiteral("False") : QStringLiteral("True");
    const QString beside = besideSources ? QStringLiteral("True") : QStringLiteral("False");
    fixture_ = std::make_unique<FormFixture>(TempSettings::Values{{QStringLiteral("Text1"), TreeRoot(out_)},
                                                                  {QStringLiteral("TimeLimit"), timeLimit},
                                                                  {QStringLiteral("Option1"), toFolder},
                                                                  {QStringLiteral("Option2"), beside}});
    Load();
    fixture_->dialogs.shown.clear();
    Form1& form = fixture_->form();
    form.runControl.converterImage = ReadAll(QStringLiteral(SERVE_STAND_IN_EXE));
    form.runControl.workers = 1;
    return form;
  }
  bool Started(const QString& source) const { return QFile::exists(source + QStringLiteral(".started")); }
  // What the output folder holds besides the documents: nothing half-written.
  QStringList Leftovers() const {
    QStringList names = OutFiles();
    names.removeIf([](const QString& name) { return name.endsWith(QStringLiteral(".doc")) && !name.startsWith(u'.'); });
    return names;
  }
};

// A stop while the converters read the messages' names ends the run before anything is
// written: the box says "Stopped." with every message not started.
TEST_F(StandInRunTest, StopWhileNamesAreReadWritesNothing) {
  Form1& form = StandInWindow();
  form.RunOptionList(QStringLiteral("name"))->setCurrentIndex(1);  // date and subject
  AddMessage(QStringLiteral("a.msg"));
  const QString hang = AddMessage(QStringLiteral("hang.msg"));
  AddMessage(QStringLiteral("z.msg"));
  bool stopped = false;
  {
    WhileRunning watch([&] {
      if (!form.Converting || stopped || !Started(hang)) return;
      stopped = true;
      Click();
    });
    Click();
  }
  ASSERT_TRUE(stopped);
  EXPECT_EQ(Messages(), std::vector<QString>{QStringLiteral("Stopped.\r\n0 converted, 0 failed, 3 not started")});
  EXPECT_TRUE(OutFiles().isEmpty()) << qPrintable(OutFiles().join(u'|'));
  ExpectIdle();
}

// "Stop Converting" stops the run as Ctrl-C stops the command: the message under way gets
// two seconds, then its converter is ended; nothing half-written, the counts in the box,
// where the message cut short counts as stopped: no failure, no warning sign, no details.
TEST_F(StandInRunTest, StopMidRunEndsTheConverterAndCountsWhatWasNotStarted) {
  Form1& form = StandInWindow();
  AddMessage(QStringLiteral("a.msg"));
  AddMessage(QStringLiteral("b.msg"));
  const QString hang = AddMessage(QStringLiteral("hang.msg"));
  AddMessage(QStringLiteral("z.msg"));
  AddMessage(QStringLiteral("zz.msg"));
  QElapsedTimer sinceStop;
  QString caption;
  // The button from the stop to the run's end: "Stopping..." and disabled, at once.
  QStringList afterStop;
  {
    WhileRunning watch([&] {
      if (!form.Converting) return;
      if (sinceStop.isValid()) {
        afterStop << form.PushButton2->text() + (form.PushButton2->isEnabled() ? u'+' : u'-');
        return;
      }
      if (!Started(hang)) return;
      caption = form.PushButton2->text();
      sinceStop.start();
      Click();  // the button now stops
      afterStop << form.PushButton2->text() + (form.PushButton2->isEnabled() ? u'+' : u'-');
    });
    Click();
  }
  EXPECT_EQ(caption, QStringLiteral("&Stop Converting"));
  ASSERT_FALSE(afterStop.isEmpty());
  EXPECT_EQ(afterStop.filter(QStringLiteral("Stopping...-")).size(), afterStop.size()) << qPrintable(afterStop.join(u' '));
  EXPECT_TRUE(form.PushButton2->isEnabled());
  ASSERT_TRUE(sinceStop.isValid());
  EXPECT_GE(sinceStop.elapsed(), 1800);
  EXPECT_LT(sinceStop.elapsed(), 6000);
  const std::vector<ShownBox>& shown = fixture_->dialogs.shown;
  ASSERT_EQ(shown.size(), 1u);  // no failure box for the message stopped
  EXPECT_EQ(shown[0].text, QStringLiteral("Stopped.\r\n2 converted, 0 failed, 1 stopped, 2 not started"));
  EXPECT_EQ(shown[0].extra, QString());
  EXPECT_EQ(shown[0].icon, Dialogs::Icon::None);
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("a.doc"), QStringLiteral("b.doc")}));
  EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(u' ').toStdString();
  EXPECT_EQ(form.PushButton2->text(), QStringLiteral("&Start Converting"));
  ExpectIdle();
}

// A message past the time limit fails with its reason and the run goes on, also while its
// box is up: an unattended run finishes.
TEST_F(StandInRunTest, AMessagePastTheTimeLimitFailsAndTheRunGoesOnWhileItsBoxIsUp) {
  StandInWindow(QStringLiteral("1"));
  AddMessage(QStringLiteral("a.msg"));
  const QString hang = AddMessage(QStringLiteral("hang.msg"));
  AddMessage(QStringLiteral("b.msg"));
  AddMessage(QStringLiteral("c.msg"));
  bool cWrittenWhileUp = false;
  fixture_->dialogs.onShow = [&](const ShownBox& box) {
    if (!box.text.startsWith(kFailed)) return;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 3000 && !cWrittenWhileUp) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      cWrittenWhileUp = QFile::exists(Out(QStringLiteral("c.doc")));
    }
  };
  Click();
  EXPECT_TRUE(cWrittenWhileUp);
  EXPECT_EQ(Messages(), (std::vector<QString>{Failed(hang, QStringLiteral("The conversion took longer than 1 second. The limit is the TimeLimit setting of the window, --timeout of lorvane convert.")),
                                              Done(3, 1)}));
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("a.doc"), QStringLiteral("b.doc"), QStringLiteral("c.doc")}));
  ExpectIdle();
}

// Nothing found in a folder is trusted, in the window as in the command: journals and
// temporary-looking files planted in the output folder and beside the messages, one a link
// to a list elsewhere, naming files outside the output folder, in the current folder and
// one the planter cannot read, stay as they are with all they name when converters are
// ended at the time limit or crash; what those converters had begun goes.
TEST_F(StandInRunTest, PlantedJournalsMakeTheRunDeleteNothing) {
  const TempTree victims;
  test_support::PlantedJournals planted(victims.Path("v"));
  for (const bool beside : {false, true}) {
    StandInWindow(QStringLiteral("1"), beside);
    fixture_->form().runControl.workers = 2;
    const QString sub = beside ? QStringLiteral("beside/") : QString();
    const QString folder = beside ? QDir(TreeRoot(sources_)).filePath(QStringLiteral("beside")) : TreeRoot(out_);
    AddMessage(sub + QStringLiteral("a.msg"));
    AddMessage(sub + QStringLiteral("hang.msg"));
    AddMessage(sub + QStringLiteral("crash.msg"));
    for (const char* name : {"a.doc", "hang.doc", "crash.doc"}) planted.Named(QDir(folder).filePath(QString::fromUtf8(name)).toStdString());
    for (const char* name : {"hang.doc", "crash.doc"}) planted.PlantFor(QDir(folder).filePath(QString::fromUtf8(name)).toStdString());
    QStringList expected = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    expected << QStringLiteral("a.doc");
    if (beside) expected << QStringLiteral("a.msg.begun") << QStringLiteral("crash.msg.begun") << QStringLiteral("hang.msg.begun") << QStringLiteral("hang.msg.started");
    expected.sort();
    Click();
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back(), Done(1, 2));
    EXPECT_EQ(planted.Changed(), std::vector<std::string>{}) << (beside ? "beside the messages" : "to a folder");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name), expected)
        << "the converters' own temporary files went";
    ExpectIdle();
  }
}

// With two converters, one held by a slow message while the other finishes the rest, the
// bar names the slow one with its seconds once past five, and its count of messages begun
// never goes back: "(4 of 4)" stays.
TEST_F(StandInRunTest, TheBarNamesTheSlowMessageAndNeverCountsBackwards) {
  Form1& form = StandInWindow(QStringLiteral("7"));
  form.runControl.workers = 2;
  AddMessage(QStringLiteral("hang.msg"));
  for (const char* name : {"a.msg", "b.msg", "c.msg"}) AddMessage(QString::fromUtf8(name));
  QStringList seen;
  {
    WhileRunning watch([&] {
      const QString text = form.ProgressBar1->StatusText();
      if (form.Converting && text.startsWith(QStringLiteral("Processing")) && (seen.isEmpty() || seen.back() != text))
        seen << text;
    });
    Click();
  }
  static const QRegularExpression kCount(QStringLiteral("\\((\\d) of 4\\)"));
  int last = 0;
  for (const QString& text : seen) {
    const int count = kCount.match(text).captured(1).toInt();
    EXPECT_GE(count, last) << qPrintable(seen.join(u'|'));
    last = count;
  }
  EXPECT_FALSE(seen.filter(QRegularExpression(QStringLiteral("^Processing: hang.msg \\(4 of 4\\), Please wait.. [5-7]$"))).isEmpty())
      << qPrintable(seen.join(u'|'));
}

// Closing the window during a run stops it before the program ends: the converter working
// on a message is ended, none outlives the window, and its folder is gone.
TEST_F(StandInRunTest, ClosingTheWindowMidRunEndsEveryConverterFirst) {
  Form1& form = StandInWindow();
  const QString hang = AddMessage(QStringLiteral("hang.msg"));
  AddMessage(QStringLiteral("b.msg"));
  pid_t converter = 0;
  bool aliveAfter = true;
  {
    WhileRunning watch([&] {
      if (!form.Converting || converter != 0 || !Started(hang)) return;
      converter = static_cast<pid_t>(ReadAll(hang + QStringLiteral(".started")).toInt());
      RunCleanups();  // what ending the program does before the process goes
      aliveAfter = ::kill(converter, 0) == 0;
      EXPECT_TRUE(TemporaryFolderEmpty());
    });
    Click();
  }
  ASSERT_GT(converter, 0);
  EXPECT_FALSE(aliveAfter);
  EXPECT_FALSE(QFile::exists(Out(QStringLiteral("hang.doc"))));
}

// The sentence comes from the result code alone; the detail rides along in brackets, and
// only lends the system's reason to the sentences that name one.
TEST(ConverterReason, EachResultCodeGivesAPlainSentenceAndKeepsTheDetail) {
  using quorlin::serve_protocol::Result;
  const struct {
    Result result;
    const char* detail;
    const char* text;
  } cases[] = {
      {Result::kNotAMessage, "not a compound file (no compound-file signature)",
       "This is not an Outlook message file. (not a compound file (no compound-file signature))"},
      // A damaged file whose reason happens to begin like one that is no message.
      {Result::kDamaged, "not a compound file sector chain: it loops",
       "The message file is damaged and cannot be read. (not a compound file sector chain: it loops)"},
      {Result::kDamaged, "compressed-RTF CRC32 failed",
       "The message file is damaged and cannot be read. (compressed-RTF CRC32 failed)"},
      {Result::kUnwritable, "cannot create output file \"/o/a.doc\": Permission denied",
       "The document could not be written: Permission denied. (cannot create output file \"/o/a.doc\": Permission denied)"},
      {Result::kUnwritable, "the folder /o/x could not be made",
       "The document could not be written. (the folder /o/x could not be made)"},
      {Result::kUnreadable, "cannot read input file \"/m/x.msg\": it is not a regular file",
       "The message file could not be read: it is not a regular file. (cannot read input file \"/m/x.msg\": it is not a "
       "regular file)"},
      {Result::kOutOfMemory, "out of memory", "There was not enough memory to convert this message. (out of memory)"},
      {Result::kTimedOut, "the conversion took longer than 1 second", "The conversion took longer than 1 second. The limit is the TimeLimit setting of the window, --timeout of lorvane convert."},
      {Result::kTimedOut, "the conversion took longer than 120 seconds", "The conversion took longer than 120 seconds. The limit is the TimeLimit setting of the window, --timeout of lorvane convert."},
      {Result::kCrashed, "the converter was ended by signal 11 (Segmentation fault)",
       "The converter stopped unexpectedly on this message. (the converter was ended by signal 11 (Segmentation fault))"},
      {Result::kInternal, "", "The converter could not convert this message."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReasonForOutcome(c.result, QString::fromUtf8(c.detail)).Text(), QString::fromUtf8(c.text));
  }
  // Every code a converter sends reads back as itself; the run's own never come from one.
  for (const auto& row : quorlin::serve_protocol::kResultTable) {
    EXPECT_EQ(quorlin::serve_protocol::ResultForWord(row.word).has_value(), row.travels) << row.word;
    if (row.travels) {
      EXPECT_EQ(*quorlin::serve_protocol::ResultForWord(row.word), row.result) << row.word;
    }
  }
  EXPECT_EQ(TimeLimitReason(1), QStringLiteral("the conversion took longer than 1 second"));
  EXPECT_EQ(TimeLimitReason(7), QStringLiteral("the conversion took longer than 7 seconds"));
}

// The run object both front ends drive, here with a scripted driver: the names read before
// the plan, one decision for each batch's settings (sub-folders are made below a chosen
// output folder only, the PDF stage and its folder with the PDF format), every outcome kept
// for the tally in whatever order it arrives, and the converter placed once.
TEST(ConversionJob, OneDecisionForEachSettingWhicheverFrontEndDrivesIt) {
  TempTree tree;
  const QString in = TreePath(tree, QStringLiteral("in"));
  const QString out = TreePath(tree, QStringLiteral("out"));
  const QString a = in + QStringLiteral("/sub/a.msg"), b = in + QStringLiteral("/b.msg");
  ASSERT_TRUE(QDir().mkpath(out) && QDir().mkpath(in + QStringLiteral("/sub")));
  ASSERT_TRUE(run_testing::WriteMessage(a, RtfFor("a")) && run_testing::WriteMessage(b, RtfFor("b")));
  std::vector<std::pair<std::vector<BatchJob>, BatchSettings>> calls;
  // Answers last job first: the first message has a name and converts, the second has none and fails.
  const BatchDriver driver = [&](const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                                 const BatchEvents& events) {
    calls.emplace_back(jobs, settings);
    for (std::size_t i = jobs.size(); i-- > 0;) {
      BatchOutcome outcome;
      outcome.converted = i == 0;
      outcome.result = i == 0 ? quorlin::serve_protocol::Result::kOk : quorlin::serve_protocol::Result::kDamaged;
      outcome.detail = QStringLiteral("named %1").arg(i);
      if (events.arrived) events.arrived(i, outcome);
    }
    return BatchSummary{jobs.size(), 0, false, QString()};
  };
  for (const bool beside : {false, true}) {
    SCOPED_TRACE(beside ? "beside" : "to the folder");
    JobChoices choices;
    choices.sources = {{a, b}, {in, in}};
    choices.paths.toFolder = !beside;
    choices.paths.beside = beside;
    choices.paths.folder = out;
    choices.options = {beside ? DocumentFormat::kPdf : DocumentFormat::kDoc, true, name_pattern::kDateSubject};
    choices.workers = 3;
    choices.timeoutSeconds = 7;
    choices.converterImage = QByteArray("#!/bin/sh\n");
    calls.clear();
    ConversionJob job(choices, driver);
    job.PlaceConverter();
    ASSERT_TRUE(job.ConverterPlaced());
    const BatchSettings placed = job.ConvertSettings();
    job.PlaceConverter();  // once only
    EXPECT_EQ(job.ConvertSettings().converterPath, placed.converterPath);
    ASSERT_TRUE(job.ReadsNames());
    job.ReadNames({});
    job.MakePlan(ExistingDocuments::kKeep);
    ASSERT_EQ(job.Plan().jobs.size(), 2u);
    const QString place = beside ? in : out;
    const QString extension = beside ? QStringLiteral(".pdf") : QStringLiteral(".doc");
    EXPECT_EQ(job.Plan().jobs[0].output, place + QStringLiteral("/sub/named 0") + extension);
    EXPECT_EQ(job.Plan().jobs[1].output, place + QStringLiteral("/b") + extension);
    job.Convert({});
    ASSERT_EQ(calls.size(), 2u);
    const BatchSettings& naming = calls[0].second;
    EXPECT_EQ(naming.request, BatchRequest::kName);
    EXPECT_EQ(naming.namePattern, name_pattern::kDateSubject);
    EXPECT_EQ(naming.converterPath, placed.converterPath);
    const BatchSettings& converting = calls[1].second;
    EXPECT_EQ(converting.request, BatchRequest::kConvert);
    EXPECT_EQ(converting.workers, 3);
    EXPECT_EQ(converting.timeoutMs, 7000);
    EXPECT_EQ(converting.makeFolders, !beside);
    EXPECT_EQ(converting.pdf, beside);
    EXPECT_EQ(converting.privateFolder, QFileInfo(placed.converterPath).path());
    const RunTally tally = job.Tally();
    EXPECT_EQ(tally.converted, 1u);
    EXPECT_EQ(tally.failed, 1u);
    ASSERT_EQ(tally.lines.size(), 2u);
    EXPECT_EQ(tally.lines[1].source, b);
    job.RemoveConverter();
    EXPECT_FALSE(job.ConverterPlaced());
    EXPECT_FALSE(QFileInfo::exists(placed.converterPath));
  }
}

// "Skip Them" converts only the messages whose documents are not there yet.
TEST_F(ExistingDocumentsTest, SkipThemConvertsOnlyTheNewMessages) {
  Prepare();
  fixture_->dialogs.AnswerChoice(2);
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{QStringLiteral("Done.\r\n1 converted, 0 failed, 2 skipped")});
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("a.doc"), QStringLiteral("b.doc"), QStringLiteral("c.doc")}));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("a.doc"))), QByteArray("mine a"));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("c.doc"))), DocumentFor(RtfFor(QStringLiteral("c.msg"))));
  ExpectIdle();
}

// A re-run over messages of the same name in different folders: their documents took
// numbered names the first time. The question counts every document the run would write
// that is there, numbered or not, and "Skip Them" skips exactly that many; "Replace Them"
// replaces the same documents and makes no new numbered copies.
TEST_F(ExistingDocumentsTest, TheNumberAskedAboutIsTheNumberSkippedOrReplaced) {
  ToFolder(TreeRoot(out_));
  for (const char* name : {"x/r.msg", "y/r.msg", "z/r.msg", "a.msg"}) AddMessage(QString::fromUtf8(name));
  Click();
  EXPECT_EQ(Messages(), std::vector<QString>{Done(4, 0)});
  const QStringList first{QStringLiteral("a.doc"), QStringLiteral("r (2).doc"), QStringLiteral("r (3).doc"),
                          QStringLiteral("r.doc")};
  ASSERT_EQ(OutFiles(), first);
  AddMessage(QStringLiteral("new.msg"));

  fixture_->dialogs.shown.clear();
  fixture_->dialogs.AnswerChoice(2);  // Skip Them
  Click();
  ASSERT_NE(Question(), nullptr);
  EXPECT_TRUE(Question()->text.startsWith(QStringLiteral("4 documents that this run would write already exist:")))
      << qPrintable(Question()->text);
  EXPECT_EQ(Messages().back(), QStringLiteral("Done.\r\n1 converted, 0 failed, 4 skipped"));
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("a.doc"), QStringLiteral("new.doc"), QStringLiteral("r (2).doc"),
                                     QStringLiteral("r (3).doc"), QStringLiteral("r.doc")}));

  fixture_->dialogs.shown.clear();
  WriteOut(QStringLiteral("r (3).doc"), "old");
  fixture_->dialogs.AnswerChoice(0);  // Replace Them
  Click();
  ASSERT_NE(Question(), nullptr);
  EXPECT_TRUE(Question()->text.startsWith(QStringLiteral("5 documents"))) << qPrintable(Question()->text);
  EXPECT_EQ(Messages().back(), Done(5, 0));
  EXPECT_EQ(OutFiles(), (QStringList{QStringLiteral("a.doc"), QStringLiteral("new.doc"), QStringLiteral("r (2).doc"),
                                     QStringLiteral("r (3).doc"), QStringLiteral("r.doc")}));
  EXPECT_EQ(ReadAll(Out(QStringLiteral("r (3).doc"))), DocumentFor(RtfFor(QStringLiteral("z/r.msg"))));
  ExpectIdle();
}

// The closing box lists every failure of the run, in the list's order, also when no box
// was turned off, with a warning icon, and offers the one output folder.
TEST_F(ConversionRunTest, TheClosingBoxListsEveryFailureAndOpensTheOutputFolder) {
  ToFolder(TreeRoot(out_));
  QStringList bad;
  for (int i = 1; i <= 8; ++i) {
    bad << AddDamagedMessage(QStringLiteral("bad%1.msg").arg(i));
    if (i == 4) AddMessage(QStringLiteral("good.msg"));
  }
  fixture_->dialogs.PressExtraButton(true);
  Click();
  const std::vector<ShownBox>& shown = fixture_->dialogs.shown;
  ASSERT_EQ(shown.size(), 9u);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(shown[i].text.startsWith(kFailed + bad[i] + QStringLiteral("\r\n")));
  const ShownBox& closing = shown.back();
  EXPECT_EQ(closing.text, Done(1, 8));
  EXPECT_EQ(closing.icon, Dialogs::Icon::Exclamation);
  EXPECT_EQ(closing.button, QStringLiteral("Open Folder"));
  const QStringList lines = closing.extra.split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 8 * 3 - 1);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(lines[i * 3], bad[i]);
  EXPECT_EQ(lines.back(), QStringLiteral("The message file is damaged and cannot be read. (compressed-RTF CRC32 failed)"));
  EXPECT_EQ(fixture_->desktop.openedFolders, std::vector<QString>{TreeRoot(out_)});

  // Documents beside messages of two folders: no one folder to open; all converted: no icon.
  fixture_->dialogs.shown.clear();
  BesideSources();
  AddMessage(QStringLiteral("one/a.msg"));
  AddMessage(QStringLiteral("two/b.msg"));
  Click();
  ASSERT_EQ(fixture_->dialogs.shown.size(), 1u);
  EXPECT_EQ(fixture_->dialogs.shown[0].button, QString());
  EXPECT_EQ(fixture_->dialogs.shown[0].icon, Dialogs::Icon::None);
}

}  // namespace
