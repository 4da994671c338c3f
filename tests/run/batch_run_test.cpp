// The batch run with the real converter and its stand-in: every job gets one outcome, the
// header-block flag reaches the converter, a converter that cannot start ends the run, and
// a stop before the start starts nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <map>

#include "run/batch_run.h"
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
  settings.documents.headerBlock = true;
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
    EXPECT_EQ(outcome.word, QStringLiteral("not-started")) << index;
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
    EXPECT_EQ(outcome.word, QStringLiteral("not-started")) << index;
    EXPECT_FALSE(QFile::exists(jobs[index].output)) << index;
  }
  ::close(stop[0]);
  ::close(stop[1]);
}

}  // namespace
