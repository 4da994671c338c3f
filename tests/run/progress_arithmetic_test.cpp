// The runner's waiting text and creeping value, tick by tick, against the known figures.
#include <gtest/gtest.h>

#include "support/qstring_printer.h"

#include <vector>

#include "run/progress_arithmetic.h"
#include "platform/app_error.h"

namespace {

using progress::ValueAtTick;

TEST(ProgressRounding, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(progress::RoundHalfEven(2.5), 2);
  EXPECT_EQ(progress::RoundHalfEven(3.5), 4);
  EXPECT_EQ(progress::RoundHalfEven(-2.5), -2);
  EXPECT_EQ(progress::RoundHalfEven(2.4999), 2);
  EXPECT_EQ(progress::RoundHalfEven(2.5001), 3);
  EXPECT_EQ(progress::RoundHalfEven(33.333), 33);
}

TEST(ProgressValue, FourFilesFromFiftyCreepUpToOneStepBelowTheNextShare) {
  EXPECT_EQ(progress::Step(4), 2);  // 2.5 rounds to 2
  EXPECT_EQ(progress::Cap(4, 50), 73);
  std::vector<double> values;
  for (int tick = 1; tick <= 2200; ++tick) {
    if (auto value = ValueAtTick(tick, 50, 4)) values.push_back(*value);
  }
  const std::vector<double> expected{50, 52, 54, 56, 58, 60, 62, 64, 66, 68, 70, 72, 73, 73, 73};
  EXPECT_EQ(values, expected);
  EXPECT_EQ(ValueAtTick(1700, 50, 4), 72);
  EXPECT_EQ(ValueAtTick(1850, 50, 4), 73);
}

TEST(ProgressValue, SetOnlyOnTheFiftiethTickAndEveryHundredFiftiethAfter) {
  EXPECT_FALSE(ValueAtTick(1, 50, 4));
  EXPECT_FALSE(ValueAtTick(49, 50, 4));
  EXPECT_TRUE(ValueAtTick(50, 50, 4));
  EXPECT_FALSE(ValueAtTick(51, 50, 4));
  EXPECT_FALSE(ValueAtTick(199, 50, 4));
  EXPECT_TRUE(ValueAtTick(200, 50, 4));
}

TEST(ProgressValue, ThirtyFilesOrMoreKeepTheStartValue) {
  for (int files : {30, 31, 100, 100000}) {
    EXPECT_EQ(progress::Step(files), 0) << files;
    for (int tick : {50, 200, 3050}) EXPECT_EQ(ValueAtTick(tick, 40, files), 40) << files;
  }
}

TEST(ProgressValue, LastFileOfASmallRunMayPassOneHundred) {
  // Start value 100 with two files: step 5, cap 145; the value goes past the bar's maximum.
  EXPECT_EQ(ValueAtTick(200, 100, 2), 105);
  EXPECT_EQ(ValueAtTick(50 + 150 * 20, 100, 2), 145);
}

TEST(ProgressValue, NoFilesIsAnErrorNotACrash) {
  EXPECT_THROW(progress::Step(0), AppError);
  EXPECT_THROW(ValueAtTick(50, 0, 0), AppError);
  // Before the fiftieth tick nothing is computed, so nothing fails.
  EXPECT_FALSE(ValueAtTick(10, 0, 0));
}

TEST(ProgressText, WaitingTextCountsFromTheFiftiethTick) {
  EXPECT_EQ(progress::WaitingText(QStringLiteral("Processing: a.msg"), 50),
            QStringLiteral("Processing: a.msg, Please wait.. 0"));
  EXPECT_EQ(progress::WaitingText(QStringLiteral("Processing: a.msg"), 173),
            QStringLiteral("Processing: a.msg, Please wait.. 123"));
  EXPECT_EQ(progress::WaitingText(QString(), 51), QStringLiteral("Please wait.. 1"));
}

TEST(ProgressText, FinalTextIsTheStatusOrTheIdleCaption) {
  EXPECT_EQ(progress::FinalText(QStringLiteral("Processing: a.msg")), QStringLiteral("Processing: a.msg"));
  EXPECT_EQ(progress::FinalText(QString()), QStringLiteral("Progress Bar"));
}

}  // namespace
