// RunAndWait against real processes: the stand-in program waits, writes its arguments back
// and ends with a chosen status, so the start, the wait and the bar can be watched.
#include <gtest/gtest.h>

#include "support/qstring_printer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include "run/converter_reason.h"
#include "run/progress_bar.h"
#include "run/run_and_wait.h"
#include "platform/app_error.h"
#include "support/tree_paths.h"

namespace {

const QString kStandIn = QStringLiteral(STAND_IN_EXE);
constexpr int kStart = run_and_wait::kStartErrorBase;

QStringList Lines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QString text = QString::fromUtf8(file.readAll());
  text.chop(1);
  return text.split(QLatin1Char('\n'));
}

TEST(RunAndWaitStart, FailuresGiveTheStartErrorNumberAndLeaveTheBarAlone) {
  TempTree dir;
  const QString notRunnable = TreePath(dir, QStringLiteral("plain.txt"));
  QFile file(notRunnable);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("#!/bin/sh\n");
  file.close();

  ProgressBar bar;
  bar.SetStatusText(QStringLiteral("before"));
  bar.SetProgress(12);
  EXPECT_EQ(RunAndWait(TreePath(dir, QStringLiteral("missing")), {}, 0, &bar, QStringLiteral("s"), 1, 1),
            kStart + 53);
  EXPECT_EQ(RunAndWait(QString(), {}, 0, &bar, QStringLiteral("s"), 1, 1), kStart + 53);
  EXPECT_EQ(RunAndWait(notRunnable, {}, 0, &bar, QStringLiteral("s"), 1, 1), kStart + 70);
  EXPECT_EQ(RunAndWait(TreeRoot(dir), {}, 0, &bar, QStringLiteral("s"), 1, 1), kStart + 5);
  EXPECT_EQ(bar.StatusText(), QStringLiteral("before"));
  EXPECT_EQ(bar.Progress(), 12);
}

TEST(RunAndWaitStatus, ReturnsTheExitStatusOrTheSignal) {
  EXPECT_EQ(RunAndWait(kStandIn, {QStringLiteral("0"), QStringLiteral("0")}, 0, nullptr, {}, 0, 1), 0);
  EXPECT_EQ(RunAndWait(kStandIn, {QStringLiteral("0"), QStringLiteral("3")}, 0, nullptr, {}, 0, 1), 3);
  const int aborted = RunAndWait(kStandIn, {QStringLiteral("0"), QStringLiteral("abort")}, 0, nullptr, {}, 0, 1);
  EXPECT_EQ(aborted, run_and_wait::kSignalStatusBase + 6);  // SIGABRT
}

TEST(RunAndWaitStatus, TheReasonIsTheFirstLineOnStandardErrorKeptWithinABound) {
  QString reason = QStringLiteral("left from before");
  const QString sh = QStringLiteral("/bin/sh");
  const QStringList says{QStringLiteral("-c"), QStringLiteral("printf '\\n  disk full  \\nmore\\n' >&2; exit 5")};
  EXPECT_EQ(RunAndWait(sh, says, 0, nullptr, {}, 0, 1, nullptr, &reason), 5);
  EXPECT_EQ(reason, QStringLiteral("disk full"));
  EXPECT_EQ(RunAndWait(kStandIn, {QStringLiteral("0"), QStringLiteral("0")}, 0, nullptr, {}, 0, 1, nullptr, &reason), 0);
  EXPECT_EQ(reason, QString());
  // Megabytes on one line: the program is not held up, the reason is cut short.
  const QStringList floods{QStringLiteral("-c"), QStringLiteral("head -c 4000000 /dev/zero | tr '\\0' x >&2")};
  EXPECT_EQ(RunAndWait(sh, floods, 0, nullptr, {}, 0, 1, nullptr, &reason), 0);
  EXPECT_EQ(reason.size(), ErrorOutput::kReasonCharacters);
  EXPECT_TRUE(reason.endsWith(QStringLiteral("xx...")));
}

TEST(RunAndWaitArguments, EachArrivesAsItStands) {
  TempTree dir;
  const QString echo = TreePath(dir, QStringLiteral("echo with space.txt"));
  const QStringList arguments{QStringLiteral("/tmp/a b/\"quoted\" name.msg"), QString(),
                              QStringLiteral("$HOME;`x` 'y' \\z"), QStringLiteral("ünïcode")};
  QStringList command{QStringLiteral("0"), QStringLiteral("0"), echo};
  command += arguments;
  EXPECT_EQ(RunAndWait(kStandIn, command, 0, nullptr, {}, 0, 1), 0);
  EXPECT_EQ(Lines(echo), arguments);
}

TEST(RunAndWaitBar, AQuickProgramOnlyGetsTheFinalText) {
  ProgressBar bar;
  bar.SetStatusText(QStringLiteral("Processing: a.msg"));
  bar.SetProgress(25);
  EXPECT_EQ(RunAndWait(kStandIn, {QStringLiteral("50"), QStringLiteral("0")}, 0, &bar,
                       QStringLiteral("status text"), 25, 4),
            0);
  EXPECT_EQ(bar.StatusText(), QStringLiteral("status text"));
  EXPECT_EQ(bar.Progress(), 25);
  RunAndWait(kStandIn, {QStringLiteral("0"), QStringLiteral("0")}, 0, &bar, QString(), 25, 4);
  EXPECT_EQ(bar.StatusText(), QStringLiteral("Progress Bar"));
}

TEST(RunAndWaitBar, NoFilesIsAnErrorBeforeAnythingStarts) {
  TempTree dir;
  const QString echo = TreePath(dir, QStringLiteral("ran"));
  ProgressBar bar;
  EXPECT_THROW(RunAndWait(kStandIn, {QStringLiteral("0"), QStringLiteral("0"), echo}, 0, &bar, {}, 0, 0),
               AppError);
  EXPECT_FALSE(QFileInfo::exists(echo));
  // Without a bar the count is never used.
  EXPECT_EQ(RunAndWait(kStandIn, {QStringLiteral("0"), QStringLiteral("0"), echo}, 0, nullptr, {}, 0, 0), 0);
  EXPECT_TRUE(QFileInfo::exists(echo));
}

// One six-second wait, watched from the event loop that the runner keeps turning.
TEST(RunAndWaitBar, ALongWaitShowsTheWaitingTextFromTheFiftiethTick) {
  ProgressBar bar;
  bar.SetStatusText(QStringLiteral("Processing: slow.msg"));
  bar.SetProgress(0);
  struct Sample {
    qint64 at;
    QString text;
    double value;
  };
  std::vector<Sample> samples;
  QElapsedTimer clock;
  QTimer watch;
  watch.setInterval(10);
  QObject::connect(&watch, &QTimer::timeout, [&] { samples.push_back({clock.elapsed(), bar.StatusText(), bar.Progress()}); });
  watch.start();
  clock.start();
  const int status = RunAndWait(kStandIn, {QStringLiteral("6000"), QStringLiteral("0")}, 0, &bar,
                                QStringLiteral("Processing: slow.msg"), 50, 4);
  watch.stop();
  EXPECT_EQ(status, 0);

  const QRegularExpression waiting(QStringLiteral("^Processing: slow\\.msg, Please wait\\.\\. (\\d+)$"));
  int firstWaiting = -1;
  int lastNumber = -1;
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto match = waiting.match(samples[i].text);
    if (!match.hasMatch()) {
      EXPECT_EQ(samples[i].text, QStringLiteral("Processing: slow.msg")) << "at " << samples[i].at << " ms";
      EXPECT_EQ(firstWaiting, -1) << "the waiting text went away during the wait";
      continue;
    }
    if (firstWaiting < 0) firstWaiting = static_cast<int>(i);
    const int number = match.captured(1).toInt();
    EXPECT_GE(number, lastNumber);
    lastNumber = number;
    EXPECT_EQ(samples[i].value, 50);  // set on the fiftieth tick, next change 150 ticks later
  }
  ASSERT_GE(firstWaiting, 0) << "no waiting text during a six-second wait";
  // Fifty ticks of at least 100 ms each come before the first waiting text.
  EXPECT_GE(samples[static_cast<size_t>(firstWaiting)].at, 4900);
  EXPECT_EQ(samples[static_cast<size_t>(firstWaiting) - 1].value, 0);
  EXPECT_GE(lastNumber, 5);
  EXPECT_LE(lastNumber, 15);
  EXPECT_EQ(bar.StatusText(), QStringLiteral("Processing: slow.msg"));
}

TEST(RunAndWaitBar, ABarThatGoesAwayDuringTheWaitEndsNothing) {
  auto* bar = new ProgressBar;
  QTimer::singleShot(20, [bar] { delete bar; });
  EXPECT_EQ(RunAndWait(kStandIn, {QStringLiteral("300"), QStringLiteral("4")}, 0, bar, QStringLiteral("s"), 0, 1), 4);
}

}  // namespace
