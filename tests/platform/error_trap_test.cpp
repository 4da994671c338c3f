// The "Application Error" box: its exact text and form, and how a trapped handler carries on
// after a failing step or test.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/error_trap.h"
#include "platform/app_error.h"
#include "support/scripted_dialogs.h"

namespace {
const QString kLocation = QStringLiteral("in Lorvane2021/08/31.Form1.Form_Load ");

TEST(ErrorBox, TextIsDescriptionLocationLineAndSupportRequest) {
  EXPECT_EQ(ApplicationErrorText(QStringLiteral("Type mismatch"), kLocation, 134),
            QStringLiteral("Type mismatch\r\nin Lorvane2021/08/31.Form1.Form_Load at line 134\r\r"
                           "Please email screenshot of this message to support@kestrane.com"));
  EXPECT_TRUE(ApplicationErrorText(QString(), kLocation, 100).startsWith(QStringLiteral("\r\nin ")));
}

TEST(ErrorBox, IsCaptionedWithAnExclamationIcon) {
  ScriptedDialogs dialogs;
  ShowApplicationError(dialogs, QStringLiteral("Overflow"), kLocation, 106);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, ShownBox::Kind::Message);
  EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("Application Error"));
  EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Exclamation);
  EXPECT_EQ(dialogs.shown[0].text, ApplicationErrorText(QStringLiteral("Overflow"), kLocation, 106));
}

TEST(ErrorTrap, FailingStepsShowOneBoxEachAndTheHandlerGoesOn) {
  ScriptedDialogs dialogs;
  ErrorTrap trap(dialogs, kLocation);
  std::vector<int> ran;
  EXPECT_FALSE(trap.Step(100, [&] { throw AppError(QStringLiteral("Path not found"), 76); }));
  EXPECT_TRUE(trap.Step(102, [&] { ran.push_back(102); }));
  // Inside a loop, every failing pass shows its box and the loop goes on.
  for (int pass = 0; pass < 3; ++pass)
    trap.Step(104, [&] {
      if (pass != 1) throw std::runtime_error("disk gone");
      ran.push_back(104);
    });
  EXPECT_EQ(ran, (std::vector<int>{102, 104}));
  const auto boxes = dialogs.ErrorBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0], ApplicationErrorText(QStringLiteral("Path not found"), kLocation, 100));
  EXPECT_EQ(boxes[1], ApplicationErrorText(QStringLiteral("disk gone"), kLocation, 104));
  EXPECT_EQ(boxes[2], boxes[1]);
}

TEST(ErrorTrap, AFailingTestCountsAsHeld) {
  ScriptedDialogs dialogs;
  ErrorTrap trap(dialogs, kLocation);
  EXPECT_TRUE(trap.Test(102, [] { return true; }));
  EXPECT_FALSE(trap.Test(102, [] { return false; }));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(trap.Test(138, []() -> bool { throw AppError(QStringLiteral("Type mismatch"), 13); }));
  ASSERT_EQ(dialogs.ErrorBoxes().size(), 1u);
  EXPECT_TRUE(dialogs.ErrorBoxes()[0].contains(QStringLiteral("Form_Load at line 138\r\r")));
}

TEST(ErrorTrap, AFailureDeepInsideACalledRoutineReportsTheCallingStep) {
  ScriptedDialogs dialogs;
  ErrorTrap trap(dialogs, kLocation);
  auto inner = [] { throw AppError(QStringLiteral("Invalid procedure call or argument"), 5); };
  auto middle = [&] { inner(); };
  trap.Step(132, [&] { middle(); });
  ASSERT_EQ(dialogs.ErrorBoxes().size(), 1u);
  EXPECT_EQ(dialogs.ErrorBoxes()[0],
            ApplicationErrorText(QStringLiteral("Invalid procedure call or argument"), kLocation, 132));
}
}  // namespace
