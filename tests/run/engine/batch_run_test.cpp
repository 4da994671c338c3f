// The batch run with the real converter and its stand-in: every job gets one outcome, the
// header-block flag reaches the converter, a converter that cannot start ends the run, a
// stop before the start starts nothing; and, over a few hundred random runs of two and
// three converters driven the way the window drives them, the run's invariants.
#include <gtest/gtest.h>
#include <unistd.h>

#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <map>
#include <random>
#include <set>

#include "run/window/background_batch.h"
#include "msgwriter/message_builder.h"
#include "pdf/office_location.h"
#include "run/engine/batch_run.h"
#include "support/message_files.h"
#include "support/qstring_printer.h"
#include "support/tree_paths.h"

namespace {

class BatchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {  }
  BatchJob Job(const QString& name, bool good = true) {
    const QString source = TreePath(dir_, name + QStringLiteral(".msg"));
    EXPECT_TRUE(good ? run_testing::WriteMessage(source, run_testing::RtfFor(name))
                     : run_testing::WriteDamagedMessage(source));
    return {source, TreePath(dir_, name + QStringLiteral(".doc"))};
  }
  std::map<std::size_t, BatchOutcome> Run(const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                                          BatchSummary* summary = nullptr) {
    std::map<std::size_t, BatchOutcome> outcomes;
    const BatchSummary result = RunBatch(jobs, settings, [&](std::size_t index, const BatchOutcome& outcome) {
      EXPECT_TRUE(outcomes.emplace(index, outcome).second) << "job " << index << " finished twice";
    });
    if (summary) *summary = result;
    return outcomes;
  }
  TempTree dir_;
};

TEST_F(BatchRunTest, EveryJobGetsOneOutcomeWithMoreWorkersThanJobsOrFewer) {
  std::vector<BatchJob> jobs;
  for (int i = 0; i < 7; ++i) jobs.push_back(Job(QStringLiteral("m%1").arg(i), i != 3));
  for (int workers : {1, 3, 16}) {
    BatchSettings settings;
    settings.converterPath = QStringLiteral(QUORLIN_EXE);
    settings.workers = workers;
    BatchSummary summary;
    const auto outcomes = Run(jobs, settings, &summary);
    EXPECT_EQ(summary.finished, 7u);
    ASSERT_EQ(outcomes.size(), 7u);
    for (const auto& [index, outcome] : outcomes) {
      EXPECT_EQ(outcome.converted, index != 3) << index;
      EXPECT_EQ(outcome.reason.isEmpty(), index != 3) << index;
    }
  }
  EXPECT_EQ(run_testing::ReadAll(jobs[0].output), run_testing::DocumentFor(run_testing::RtfFor(QStringLiteral("m0"))));
}

TEST_F(BatchRunTest, TheHeaderBlockFlagTravelsWithEachRequest) {
  // The converter takes the option; a message without header properties gets its plain
  // document (the command line's test checks the block itself).
  BatchSettings settings;
  settings.converterPath = QStringLiteral(QUORLIN_EXE);
  settings.documents.header_block = true;
  const BatchJob job = Job(QStringLiteral("a"));
  const auto outcomes = Run({job}, settings);
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_TRUE(outcomes.at(0).converted) << qPrintable(outcomes.at(0).reason);
  EXPECT_EQ(run_testing::ReadAll(job.output),
            run_testing::DocumentFor(run_testing::RtfFor(QStringLiteral("a"))));
}

TEST_F(BatchRunTest, AConverterThatCannotStartEndsTheRunAndAStopStartsNothing) {
  const std::vector<BatchJob> jobs{Job(QStringLiteral("a")), Job(QStringLiteral("b")), Job(QStringLiteral("c"))};
  BatchSettings missing;
  missing.converterPath = TreePath(dir_, QStringLiteral("no-such-converter"));
  missing.workers = 2;
  BatchSummary summary;
  // Every job still gets its one outcome: not started, for the reason the converter gave.
  for (const auto& [index, outcome] : Run(jobs, missing, &summary)) {
    EXPECT_EQ(outcome.result, quorlin::serve_protocol::Result::kNotStarted) << index;
    EXPECT_EQ(outcome.reason, QStringLiteral("No such file or directory")) << index;
  }
  EXPECT_EQ(summary.notStarted, 3u);
  EXPECT_EQ(summary.startFailure, QStringLiteral("No such file or directory"));

  int stop[2];
  ASSERT_EQ(::pipe(stop), 0);
  ASSERT_EQ(::write(stop[1], "x", 1), 1);
  BatchSettings stopped;
  stopped.converterPath = QStringLiteral(QUORLIN_EXE);
  stopped.stopDescriptor = stop[0];
  // A stop that came before the run begins nothing: every job is not started.
  const auto outcomes = Run(jobs, stopped, &summary);
  EXPECT_TRUE(summary.stopped);
  ASSERT_EQ(outcomes.size(), 3u);
  for (const auto& [index, outcome] : outcomes) {
    EXPECT_EQ(outcome.result, quorlin::serve_protocol::Result::kNotStarted) << index;
    EXPECT_FALSE(QFile::exists(jobs[index].output)) << index;
  }
  ::close(stop[0]);
  ::close(stop[1]);
}

// The kinds of message a random run is made of; the stand-in converter acts on the name.
enum class Kind { kGood, kSlow, kDamaged, kNotAMessage, kHang, kCrash };

struct RandomRun {
  std::vector<BatchJob> jobs;
  std::vector<Kind> kinds;
};

// Every random run keeps these: it ends; each message gets exactly one outcome as it
// arrives and once more in list order; converted = documents on disk; a message a
// converter ever began has an outcome other than "not started", and one not started was
// never begun; a message its converter had not begun when the run ended it is "not
// started" after a stop, else timed out; no temporary file, no converter process is left.
// None of it depends on how fast the machine is: a converter that had not yet read its
// request when the stop ended it (the stand-in marks a message begun just after reading)
// leaves the message not started, however late it was scheduled.
TEST_F(BatchRunTest, RandomRunsWithStopsAndSlowBoxesKeepTheRunsInvariants) {
  std::mt19937 random(20261208);
  const int runs = 200;
  QElapsedTimer total;
  total.start();
  int stoppedRuns = 0;
  for (int run = 0; run < runs; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    TempTree dir;
    const QString out = TreePath(dir, QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    RandomRun plan;
    const int count = std::uniform_int_distribution<int>(1, 9)(random);
    for (int i = 0; i < count; ++i) {
      const auto kind = static_cast<Kind>(std::discrete_distribution<int>({10, 3, 2, 2, 1, 1})(random));
      static const char* const kNames[] = {"good", "slow", "damaged", "text", "hang", "crash"};
      const QString name = QStringLiteral("%1-%2").arg(i).arg(QLatin1String(kNames[static_cast<int>(kind)]));
      const QString source = TreePath(dir, name + QStringLiteral(".msg"));
      bool written = false;
      switch (kind) {
        case Kind::kDamaged: written = run_testing::WriteDamagedMessage(source); break;
        case Kind::kNotAMessage: written = run_testing::WriteBytes(source, {'h', 'i', '\n'}); break;
        default: written = run_testing::WriteMessage(source, run_testing::RtfFor(name)); break;
      }
      ASSERT_TRUE(written);
      plan.jobs.push_back({source, out + u'/' + name + QStringLiteral(".doc")});
      plan.kinds.push_back(kind);
    }
    BatchSettings settings;
    settings.converterPath = QStringLiteral(SERVE_STAND_IN_EXE);
    settings.workers = std::uniform_int_distribution<int>(2, 3)(random);
    settings.timeoutMs = 150;
    settings.stopGraceMs = 60;

    BackgroundBatch batch(plan.jobs, settings);
    std::vector<int> arrivedCount(plan.jobs.size(), 0);
    std::vector<std::size_t> inOrder;
    std::vector<BatchOutcome> outcomes(plan.jobs.size());
    // Stop after a random number of outcomes, or at a random moment, or never.
    const int stopAfter = std::uniform_int_distribution<int>(-1, count)(random);
    const int stopAtMs = std::uniform_int_distribution<int>(0, 150)(random);
    const bool stopByTimer = random() % 2 == 0;
    int arrived = 0;
    const int boxMs = std::uniform_int_distribution<int>(0, 10)(random);
    QTimer stopTimer;
    stopTimer.setSingleShot(true);
    QObject::connect(&stopTimer, &QTimer::timeout, [&] { batch.Stop(); });
    if (stopAfter >= 0 && stopByTimer) stopTimer.start(stopAtMs);
    BackgroundBatch::Callbacks callbacks;
    callbacks.arrived = [&](std::size_t index, const BatchOutcome& outcome) {
      ++arrivedCount[index];
      outcomes[index] = outcome;
      if (stopAfter >= 0 && !stopByTimer && ++arrived >= stopAfter) batch.Stop();
    };
    callbacks.inOrder = [&](std::size_t index, const BatchOutcome& outcome) {
      inOrder.push_back(index);
      // A failure box the user takes a while to close: the event loop runs meanwhile.
      if (!outcome.converted && boxMs > 0) {
        QElapsedTimer up;
        up.start();
        while (up.elapsed() < boxMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      }
    };
    const BatchSummary summary = batch.Run(callbacks);
    if (summary.stopped) ++stoppedRuns;

    std::vector<std::size_t> listOrder(plan.jobs.size());
    for (std::size_t i = 0; i < listOrder.size(); ++i) listOrder[i] = i;
    EXPECT_EQ(inOrder, listOrder);
    int converted = 0;
    for (std::size_t i = 0; i < plan.jobs.size(); ++i) {
      EXPECT_EQ(arrivedCount[i], 1) << i;
      const bool begun = QFile::exists(plan.jobs[i].source + QStringLiteral(".begun"));
      const quorlin::serve_protocol::Result result = outcomes[i].result;
      const bool notStarted = result == quorlin::serve_protocol::Result::kNotStarted;
      if (begun) {
        EXPECT_FALSE(notStarted) << i;
      } else {
        // Not begun: never handed out, or its converter ended between reading the request
        // and marking it (after a stop: "stopped"; or past the time limit).
        EXPECT_TRUE(notStarted || result == quorlin::serve_protocol::Result::kStopped ||
                    result == quorlin::serve_protocol::Result::kTimedOut)
            << i << " " << quorlin::serve_protocol::WordFor(result);
      }
      EXPECT_EQ(outcomes[i].converted, QFile::exists(plan.jobs[i].output)) << i;
      if (outcomes[i].converted) ++converted;
      // Only a stop leaves messages unstarted; without one every message is done.
      if (!summary.stopped) {
        EXPECT_FALSE(notStarted) << i;
      }
      const Kind kind = plan.kinds[i];
      if (!notStarted && (kind == Kind::kDamaged || kind == Kind::kNotAMessage || kind == Kind::kHang ||
                          kind == Kind::kCrash)) {
        EXPECT_FALSE(outcomes[i].converted) << i;
      }
      if (kind == Kind::kHang && QFile::exists(plan.jobs[i].source + QStringLiteral(".started"))) {
        const pid_t pid = run_testing::ReadAll(plan.jobs[i].source + QStringLiteral(".started")).toInt();
        EXPECT_TRUE(pid > 0 && ::kill(pid, 0) != 0) << "converter " << pid << " outlived the run";
      }
    }
    const QStringList written = QDir(out).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(written.size(), converted) << qPrintable(written.join(u' '));
    EXPECT_EQ(summary.finished + summary.notStarted, plan.jobs.size());
    if (HasFailure()) break;
  }
  std::printf("%d random runs (%d stopped) in %lld ms\n", runs, stoppedRuns, static_cast<long long>(total.elapsed()));
}

// A 100 x 400 picture of one colour, as PNG.
constexpr char kTallPng[] =
    "89504e470d0a1a0a0000000d4948445200000064000001900802000000d7f452b80000022c4944415478daedd0310d00000803b0"
    "0943098a9185053e9e2655d04c354751204b962c59b2642990254b962c59b214c892254b962c590a64c992254b962c05b264c992"
    "254b960259b264c992254b812c59b264c992a540962c59b264c952204b962c59b2642990254b962c59b214c892254b962c590a64"
    "c992254b962c05b264c992254b960259b264c992254b812c59b264c992a540962c59b264c952204b962c59b2642990254b962c59"
    "b214c892254b962c590a64c992254b962c05b264c992254b960259b264c992254b812c59b264c992a540962c59b264c952204b96"
    "2c59b2642990254b962c59b214c892254b962c590a64c992254b962c05b264c992254b960259b264c992254b812c59b264c992a5"
    "40962c59b264c952204b962c59b2642990254b962c59b214c892254b962c590a64c992254b962c05b264c992254b960259b264c9"
    "92254b812c59b264c992a540962c59b264c952204b962c59b2642990254b962c59b214c892254b962c590a64c992254b962c05b2"
    "64c992254b960259b264c992254b812c59b264c992a540962c59b264c952204b962c59b2642990254b962c59b214c892254b962c"
    "590a64c992254b962c05b264c992254b960259b264c992254b812c59b264c992a540962c59b264c952204b962c59b2642990254b"
    "962c59b214c892254b962c590a64c992254b962c05b264c992254b960259b264c992254b812c59b264c992a540962c59b264c952"
    "204b962c59b2642990254b962c59b214c892f56d018840abfc57ae655d0000000049454e44ae426082";

// The words of a PDF with their boxes (pdftotext -bbox): each word and its right edge, and
// the width of the page it is on.
struct PlacedWord {
  std::string word;
  double right = 0;
  double pageWidth = 0;
};
std::vector<PlacedWord> PlacedWords(const QByteArray& bbox) {
  std::vector<PlacedWord> words;
  double pageWidth = 0;
  const QRegularExpression page(QStringLiteral("<page width=\"([0-9.]+)\""));
  const QRegularExpression word(QStringLiteral("<word xMin=\"[-0-9.]+\" yMin=\"[-0-9.]+\" xMax=\"([-0-9.]+)\" yMax=\"[-0-9.]+\">([^<]*)</word>"));
  for (const QString& line : QString::fromUtf8(bbox).split(QLatin1Char('\n'))) {
    if (const auto found = page.match(line); found.hasMatch()) pageWidth = found.captured(1).toDouble();
    if (const auto found = word.match(line); found.hasMatch())
      words.push_back({found.captured(2).toStdString(), found.captured(1).toDouble(), pageWidth});
  }
  return words;
}

// A PDF run: one PDF/A file per message, holding its words, the original message, its
// attachment byte for byte and its embedded message as a PDF of its own with that
// message's own title, author and date; the body's links (one whose field instruction opens
// with formatting) and the header block's address are links, the header block's attachment
// names lead to the files inside the PDF; a picture taller and a table wider than the page
// are fitted to it (the document keeps them as they are). Nothing of the converter's document or LibreOffice's files is left beside it.
// Skipped, saying so, where LibreOffice is not installed.
TEST_F(BatchRunTest, APdfRunMakesOneArchivalFilePerMessage) {
  if (!lorvane_pdf::OfficeMissingReason().empty()) GTEST_SKIP() << lorvane_pdf::OfficeMissingReason();
  msgwriter::MessageBuilder builder;
  builder.AddUnicode(0x0037, u"Quarterly figures");
  builder.AddUnicode(0x0C1A, u"Ines Valk").AddUnicode(0x0C1F, u"ines.valk@example.org");
  builder.AddRtfBody(std::string("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Sans;}}\\f0 Quarterly figures attached, "
                                 "as promised, see {\\field{\\*\\fldinst HYPERLINK \"https://example.org/figures\"}"
                                 "{\\fldrslt the figures page}}, and the archive: {\\field{\\*\\fldinst {\\rtlch\\fcs1 \\af0 "
                                 "\\ltrch\\fcs0 \\insrsid4072  HYPERLINK \"https://example.org/archive\" }}{\\fldrslt {the archive}}}.\\par\n"
                                 "\\trowd\\cellx3000\\cellx12000\\cellx16000 Item\\cell Course\\cell DEIN PREIS\\cell\\row\n"
                                 "\\pard{\\pict\\pngblip\\picw100\\pich400\\picwgoal4000\\pichgoal16000 ") +
                     kTallPng + "}\\par}");
  builder.AddAttachment(1).AddUnicode(0x3707, u"figures.csv").AddBinary(0x3701, {'1', ',', '2', '\n'});
  builder.AddEmbeddedMessage()
      .AddUnicode(0x0037, u"FW: Earlier note")
      .AddUnicode(0x0E1D, u"Earlier note")
      .AddUnicode(0x0C1A, u"Rui Sato")
      .AddTime(0x0039, 133541046000000000)  // 2024-03-05 09:30:00 UTC
      .AddUnicode(0x1000, u"the earlier note's words");
  const QString source = TreePath(dir_, QStringLiteral("report.msg"));
  ASSERT_TRUE(run_testing::WriteBytes(source, builder.Build()));
  const QString scratch = TreePath(dir_, QStringLiteral("scratch"));
  ASSERT_TRUE(QDir().mkpath(scratch));
  const BatchJob job{source, TreePath(dir_, QStringLiteral("report.pdf"))};
  BatchSettings settings;
  settings.converterPath = QStringLiteral(QUORLIN_EXE);
  settings.workers = 2;
  settings.documents.attachments = true;
  settings.documents.header_block = true;
  settings.pdf = true;
  settings.pdfScratch = scratch;
  const auto outcomes = Run({job}, settings);
  ASSERT_EQ(outcomes.size(), 1u);
  ASSERT_TRUE(outcomes.at(0).converted) << qPrintable(outcomes.at(0).reason);
  EXPECT_EQ(outcomes.at(0).attachmentFiles, 1);

  const auto run = [](const QString& command) {
    QByteArray text;
    if (std::FILE* pipe = ::popen(qPrintable(command), "r")) {
      char buffer[4096];
      for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, static_cast<qsizetype>(n));
      ::pclose(pipe);
    }
    return text;
  };
  EXPECT_TRUE(run(QStringLiteral("pdftotext '%1' -").arg(job.output)).contains("Quarterly figures attached"));
  const QByteArray listed = run(QStringLiteral("qpdf --list-attachments '%1'").arg(job.output));
  EXPECT_TRUE(listed.contains("report.msg")) << listed.constData();
  EXPECT_TRUE(listed.contains("figures.csv")) << listed.constData();
  const QRegularExpression innerName(QStringLiteral("^(.*Earlier note\\.pdf) ->"), QRegularExpression::MultilineOption);
  const QString inner = innerName.match(QString::fromUtf8(listed)).captured(1).trimmed();
  ASSERT_FALSE(inner.isEmpty()) << listed.constData();
  EXPECT_EQ(run(QStringLiteral("qpdf --show-attachment=figures.csv '%1'").arg(job.output)), QByteArray("1,2\n"));
  EXPECT_EQ(run(QStringLiteral("qpdf --show-attachment=report.msg '%1'").arg(job.output)), run_testing::ReadAll(source));

  // The embedded message's PDF says what its own message is: the whole subject, as its
  // heading shows it.
  const QString innerPdf = TreePath(dir_, QStringLiteral("inner.pdf"));
  run(QStringLiteral("qpdf '--show-attachment=%1' '%2' > '%3'").arg(inner, job.output, innerPdf));
  const QString innerInfo = QString::fromUtf8(run(QStringLiteral("pdfinfo -isodates '%1'").arg(innerPdf)));
  for (const char* line : {"^Title: +FW: Earlier note$", "^Author: +Rui Sato$", "^CreationDate: +2024-03-05T09:30:00"}) {
    EXPECT_TRUE(innerInfo.contains(QRegularExpression(QString::fromLatin1(line), QRegularExpression::MultilineOption)))
        << line << "\n" << qPrintable(innerInfo);
  }
  QFile::remove(innerPdf);

  // Links: the body's, the sender's address, and the attachment names into the PDF.
  const QByteArray objects = run(QStringLiteral("qpdf --qdf --object-streams=disable '%1' -").arg(job.output));
  EXPECT_TRUE(objects.contains("/URI (https://example.org/figures)"));
  // A field whose instruction opens with formatting, as word processors write it.
  EXPECT_TRUE(objects.contains("/URI (https://example.org/archive)"));
  EXPECT_TRUE(objects.contains("/URI (mailto:ines.valk@example.org)"));
  EXPECT_EQ(objects.count("/Subtype /FileAttachment"), 2);
  EXPECT_FALSE(objects.contains("/URI (file:"));
  // The table is narrowed to the page, and the picture scaled down to it, its proportions
  // kept: 400 pixels over at most the text area's height (under 10 inches) with the same
  // resolution across; at its own size, 11.1 inches, it has 36 pixels an inch.
  for (const PlacedWord& word : PlacedWords(run(QStringLiteral("pdftotext -bbox '%1' -").arg(job.output))))
    EXPECT_LE(word.right, word.pageWidth) << word.word;
  EXPECT_TRUE(run(QStringLiteral("pdftotext '%1' -").arg(job.output)).contains("DEIN PREIS"));
  const QStringList image = QString::fromUtf8(run(QStringLiteral("pdfimages -list '%1' | grep ' 100 *400 '").arg(job.output)))
                                .split(QLatin1Char(' '), Qt::SkipEmptyParts);
  ASSERT_GE(image.size(), 14) << qPrintable(image.join(QLatin1Char(' ')));
  EXPECT_GE(image.at(12).toInt(), 40);
  EXPECT_EQ(image.at(12), image.at(13));
  // Only the message and its PDF stand in the folder; the job's own folder is gone.
  EXPECT_EQ(QDir(TreeRoot(dir_)).entryList(QDir::Files | QDir::Hidden),
            (QStringList{QStringLiteral("report.msg"), QStringLiteral("report.pdf")}));
  EXPECT_TRUE(QDir(scratch).isEmpty());
}

// A subject longer than any answer the run reads whole still makes its PDF: the converter
// cuts what it describes, and the PDF's title is the subject's beginning.
TEST_F(BatchRunTest, APdfRunTakesASubjectOfAnyLength) {
  if (!lorvane_pdf::OfficeMissingReason().empty()) GTEST_SKIP() << lorvane_pdf::OfficeMissingReason();
  msgwriter::MessageBuilder builder;
  builder.AddUnicode(0x0037, u"Long " + std::u16string(200'000, u'x'));
  builder.AddRtfBody("{\\rtf1\\ansi A long subject.\\par}");
  const QString source = TreePath(dir_, QStringLiteral("long.msg"));
  ASSERT_TRUE(run_testing::WriteBytes(source, builder.Build()));
  const QString scratch = TreePath(dir_, QStringLiteral("scratch"));
  ASSERT_TRUE(QDir().mkpath(scratch));
  const BatchJob job{source, TreePath(dir_, QStringLiteral("long.pdf"))};
  BatchSettings settings;
  settings.converterPath = QStringLiteral(QUORLIN_EXE);
  settings.pdf = true;
  settings.pdfScratch = scratch;
  const auto outcomes = Run({job}, settings);
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_TRUE(outcomes.at(0).converted) << qPrintable(outcomes.at(0).reason);
  EXPECT_TRUE(QFile::exists(job.output));
  EXPECT_TRUE(QDir(scratch).isEmpty());
}

// A stop in a PDF run: every message still gets one outcome, a PDF exists exactly for each
// converted one, nothing is begun after the stop, and the run's folder is left empty.
TEST_F(BatchRunTest, AStopInAPdfRunLeavesOnlyWholePdfsAndCountsTheRest) {
  if (!lorvane_pdf::OfficeMissingReason().empty()) GTEST_SKIP() << lorvane_pdf::OfficeMissingReason();
  std::vector<BatchJob> jobs;
  for (int i = 0; i < 12; ++i) {
    BatchJob job = Job(QStringLiteral("m%1").arg(i));
    job.output.replace(QStringLiteral(".doc"), QStringLiteral(".pdf"));
    jobs.push_back(job);
  }
  const QString scratch = TreePath(dir_, QStringLiteral("scratch"));
  ASSERT_TRUE(QDir().mkpath(scratch));
  int stop[2];
  ASSERT_EQ(::pipe(stop), 0);
  BatchSettings settings;
  settings.converterPath = QStringLiteral(QUORLIN_EXE);
  settings.workers = 2;
  settings.pdf = true;
  settings.pdfScratch = scratch;
  settings.stopDescriptor = stop[0];
  std::map<std::size_t, BatchOutcome> outcomes;
  const BatchSummary summary = RunBatch(jobs, settings, [&](std::size_t index, const BatchOutcome& outcome) {
    EXPECT_TRUE(outcomes.emplace(index, outcome).second) << "job " << index << " finished twice";
    if (outcome.converted && outcomes.size() == 1) {
      EXPECT_EQ(::write(stop[1], "x", 1), 1);
    }
  });
  ::close(stop[0]);
  ::close(stop[1]);
  EXPECT_TRUE(summary.stopped);
  ASSERT_EQ(outcomes.size(), jobs.size());
  int notStarted = 0;
  for (const auto& [index, outcome] : outcomes) {
    EXPECT_EQ(outcome.converted, QFile::exists(jobs[index].output)) << index;
    if (outcome.result == quorlin::serve_protocol::Result::kNotStarted) ++notStarted;
  }
  EXPECT_GT(notStarted, 0);
  EXPECT_EQ(summary.finished + summary.notStarted, jobs.size());
  EXPECT_TRUE(QDir(scratch).isEmpty()) << qPrintable(QDir(scratch).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(u' '));
  for (const QString& name : QDir(TreeRoot(dir_)).entryList(QDir::Files | QDir::Hidden))
    EXPECT_TRUE(name.endsWith(QLatin1String(".msg")) || name.endsWith(QLatin1String(".pdf"))) << qPrintable(name);
}

}  // namespace
