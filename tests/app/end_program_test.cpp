// Closing the window ends the process at once, also while a handler is yielding in the
// middle of long work, and the registered clean-ups run first.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>

#include "app/form1.h"
#include "platform/shutdown.h"
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
}  // namespace
