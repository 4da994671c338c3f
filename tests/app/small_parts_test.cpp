// The small pieces of the shell: Boolean setting texts, the display check, the application
// title cut, the clean-up registry, the progress bar's text and value.
#include <QFontMetrics>
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/application_title.h"
#include "app/display_check.h"
#include "platform/boolean_text.h"
#include "app/progress_bar.h"
#include "app/progress_text_fit.h"
#include "platform/shutdown.h"
#include "platform/app_error.h"

namespace {
TEST(BooleanText, AcceptsTrueFalseAnyCaseAndNumbers) {
  for (const char* t : {"True", "TRUE", "true", " tRuE ", "1", "-1", "2.5", "1e3"})
    EXPECT_TRUE(TextToBoolean(QString::fromLatin1(t))) << t;
  for (const char* t : {"False", "false", "FALSE", "0", "0.0", "-0", " 0 "})
    EXPECT_FALSE(TextToBoolean(QString::fromLatin1(t))) << t;
  for (const char* t : {"yes", "", " ", "no", "Truee", "1x", "nan", "inf"}) {
    try {
      TextToBoolean(QString::fromLatin1(t));
      ADD_FAILURE() << "accepted \"" << t << "\"";
    } catch (const AppError& error) {
      EXPECT_EQ(error.number(), error_number::kTypeMismatch) << t;
    }
  }
  EXPECT_EQ(BooleanToText(true), QStringLiteral("True"));
  EXPECT_EQ(BooleanToText(false), QStringLiteral("False"));
}

// The window needs its platform's display; offscreen and frame-buffer platforms need none.
TEST(DisplayCheck, APlatformNeedsItsOwnDisplay) {
  const QString x = QStringLiteral(":0");
  const QString wayland = QStringLiteral("wayland-0");
  EXPECT_FALSE(DisplayNamed({}));
  EXPECT_TRUE(DisplayNamed({{}, x, {}}));
  EXPECT_TRUE(DisplayNamed({{}, {}, wayland}));
  EXPECT_FALSE(DisplayNamed({QStringLiteral("xcb"), {}, wayland}));
  EXPECT_TRUE(DisplayNamed({QStringLiteral("xcb"), x, {}}));
  EXPECT_FALSE(DisplayNamed({QStringLiteral("wayland-egl"), x, {}}));
  EXPECT_TRUE(DisplayNamed({QStringLiteral("wayland;xcb"), x, {}}));
  EXPECT_TRUE(DisplayNamed({QStringLiteral("offscreen"), {}, {}}));
  EXPECT_TRUE(DisplayNamed({QStringLiteral("vnc:size=800x600"), {}, {}}));
  EXPECT_FALSE(DisplayNamed({QStringLiteral(" "), {}, {}}));
  // A start that fails from a launcher shows its line in a box too; not on a terminal, and
  // not where no one sees the screen.
  EXPECT_TRUE(StartFailureWantsBox(false, QStringLiteral("xcb")));
  EXPECT_TRUE(StartFailureWantsBox(false, QStringLiteral("wayland")));
  EXPECT_FALSE(StartFailureWantsBox(true, QStringLiteral("xcb")));
  EXPECT_FALSE(StartFailureWantsBox(false, QStringLiteral("offscreen")));
}

TEST(ApplicationTitle, CutsTheLastWordThenWhileLongerThanForty) {
  EXPECT_EQ(ApplicationTitleFrom(QStringLiteral("Lorvane")), QStringLiteral("Lorvane"));
  EXPECT_EQ(ApplicationTitleFrom(QStringLiteral("Kestrane Mail To Word")), QStringLiteral("Kestrane Mail To"));
  const QString longName = QStringLiteral("Alpha Bravo Charlie Delta Echo Foxtrot Golf Hotel");
  const QString title = ApplicationTitleFrom(longName);
  EXPECT_EQ(title, QStringLiteral("Alpha Bravo Charlie Delta Echo Foxtrot"));
  EXPECT_LE(title.size(), 40);
  // A first word longer than forty stays: there is nothing left to cut at.
  const QString word(45, QLatin1Char('w'));
  EXPECT_EQ(ApplicationTitleFrom(word + QStringLiteral(" x y")), word);
  EXPECT_EQ(ApplicationTitleFrom(QString()), QString());
}

TEST(Shutdown, CleanUpsRunNewestFirstOnceAndUnregisteredOnesNot) {
  std::vector<int> ran;
  RegisterCleanup([&] { ran.push_back(1); });
  const int second = RegisterCleanup([&] { ran.push_back(2); });
  RegisterCleanup([&] { throw std::runtime_error("fails"); });
  RegisterCleanup([&] { ran.push_back(4); });
  UnregisterCleanup(second);
  UnregisterCleanup(9999);
  RunCleanups();
  EXPECT_EQ(ran, (std::vector<int>{4, 1}));
  RunCleanups();
  EXPECT_EQ(ran.size(), 2u);
}

TEST(Shutdown, EndingTheProgramRunsTheCleanUpsAndExitsAtOnce) {
  EXPECT_EXIT(
      {
        RegisterCleanup([] { std::fputs("cleaned\n", stderr); });
        EndProgramNow();
      },
      ::testing::ExitedWithCode(0), "cleaned");
}

TEST(ProgressBarText, ShowsTheTextVerbatimAndKeepsTheValueAsSet) {
  ProgressBar bar;
  bar.SetStatusText(QStringLiteral("Processing: 100%p %v %m.msg"));
  EXPECT_EQ(bar.text(), QStringLiteral("Processing: 100%p %v %m.msg"));
  bar.SetProgress(250.5);
  EXPECT_DOUBLE_EQ(bar.Progress(), 250.5);
  EXPECT_EQ(bar.value(), 100);
  bar.SetProgress(-3);
  EXPECT_EQ(bar.value(), 0);
  bar.SetProgress(33.4);
  EXPECT_EQ(bar.value(), 33);
  bar.SetProgress(std::nan(""));
  EXPECT_EQ(bar.value(), 0);
}
TEST(ProgressBarText, ALongNameGivesWayInItsMiddleSoTheCounterAlwaysShows) {
  const QFontMetrics metrics{QFont()};
  const QString waiting = "Processing: Report " + QString(120, u'x') + " final.msg, Please wait.. 12";
  for (const int width : {320, 500}) {
    const QString fitted = FitProgressText(waiting, metrics, width);
    EXPECT_LE(metrics.horizontalAdvance(fitted), width);
    EXPECT_TRUE(fitted.startsWith("Processing: Re") && fitted.endsWith("msg, Please wait.. 12")) << fitted.toStdString();
  }
  EXPECT_TRUE(FitProgressText(waiting, metrics, 60).endsWith("12"));
  const QString placed = "Processing: Report " + QString(120, u'x') + " final.msg (12 of 2000), Please wait.. 12";
  const QString fittedPlaced = FitProgressText(placed, metrics, 400);
  EXPECT_LE(metrics.horizontalAdvance(fittedPlaced), 400);
  EXPECT_TRUE(fittedPlaced.contains(QChar(0x2026)) && fittedPlaced.endsWith("msg (12 of 2000), Please wait.. 12"))
      << fittedPlaced.toStdString();
  EXPECT_EQ(FitProgressText("Processing: two\nlines.msg", metrics, 500), "Processing: two lines.msg");
  ProgressBar bar;
  bar.resize(520, 27);
  bar.SetStatusText(waiting);
  EXPECT_EQ(bar.StatusText(), waiting);
  EXPECT_TRUE(bar.ShownText().endsWith(", Please wait.. 12"));
  EXPECT_LT(bar.fontMetrics().horizontalAdvance(bar.ShownText()), 520);
}

}  // namespace
