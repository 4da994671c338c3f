// Closing the window ends the process at once, also while a handler is yielding in the
// middle of long work, and the registered clean-ups run first; during a run it asks first.
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>

#include "app/form1.h"
#include "platform/shutdown.h"
#include "support/form_fixture.h"
#include "support/scripted_desktop.h"
#include "support/scripted_dialogs.h"
#include "support/temp_settings.h"

namespace {
TEST(EndProgram, ClosingTheWindowDuringAYieldingHandlerEndsTheProcess) {
  EXPECT_EXIT(
      {
        ScriptedDialogs dialogs;
        ScriptedDesktop desktop;
        TempSettings settings;
        Form1Services services;
        services.dialogs = &dialogs;
        services.settings = &settings.store();
        services.desktop = &desktop;
        services.random = [] { return 0.5; };
        // No endProgram given: the window ends the process itself.
        Form1 form(services);
        form.show();
        RegisterCleanup([] { std::fputs("converter folder removed\n", stderr); });
        QTimer::singleShot(0, &form, [&form] { form.close(); });
        // A handler working through a long list, yielding between rows; it would run for
        // ten seconds (and the test fail) if the close did not end the process.
        QElapsedTimer working;
        working.start();
        while (working.elapsed() < 10000) QCoreApplication::processEvents();
      },
      ::testing::ExitedWithCode(0), "converter folder removed");
}

// During a run the window asks before closing: No keeps the window and the run going, Yes
// stops the run and ends the program. Without a run it closes without a question.
TEST(EndProgram, ClosingDuringARunAsksFirstAndStopsTheRunOnYes) {
  FormFixture f;
  f.Load();
  Form1& form = f.form();
  int stops = 0;
  form.runControl.stop = [&stops] { ++stops; };
  form.Converting = true;
  form.show();
  f.dialogs.AnswerYesNo(false);
  form.close();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(stops, 0);
  EXPECT_EQ(f.endProgramCalls, 0);
  f.dialogs.AnswerYesNo(true);
  form.close();
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(f.endProgramCalls, 1);
  // Ctrl+Q closes as the title bar's button does: the same question first.
  form.show();
  QApplication::setActiveWindow(&form);
  f.dialogs.AnswerYesNo(false);
  QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(f.endProgramCalls, 1);
  ASSERT_EQ(f.dialogs.shown.size(), 3u);
  for (const ShownBox& box : f.dialogs.shown) {
    EXPECT_EQ(box.kind, ShownBox::Kind::YesNo);
    EXPECT_EQ(box.text, QStringLiteral("A conversion is under way. Stop it and close Lorvane?"));
    EXPECT_EQ(box.button, QStringLiteral("No")) << "No is the default: Enter leaves the run alone";
  }

  form.Converting = false;
  form.show();
  form.close();
  EXPECT_EQ(f.endProgramCalls, 2);
  EXPECT_EQ(f.dialogs.shown.size(), 3u);
}
}  // namespace
