// The common error trap and the "Application Error" box.
#include "platform/error_trap.h"

#include <new>

#include "platform/app_error.h"
#include "platform/dialogs.h"
#include "platform/support_address.h"

QString ApplicationErrorText(const QString& description, const QString& location, int line) {
  return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
         QString::number(line) + QStringLiteral("\r\r") +
         QStringLiteral("Please email screenshot of this message to ") + kSupportAddress;
}

void ShowApplicationError(Dialogs& dialogs, const QString& description, const QString& location,
                          int line) {
  dialogs.ShowMessage(ApplicationErrorText(description, location, line),
                      QStringLiteral("Application Error"), Dialogs::Icon::Exclamation);
}

ErrorTrap::ErrorTrap(Dialogs& dialogs, QString location)
    : dialogs_(dialogs), location_(std::move(location)) {}

bool RunCatchingFailure(const std::function<void()>& work, QString& description) {
  try {
    work();
    return true;
  } catch (const AppError& error) {
    description = error.description();
  } catch (const std::bad_alloc&) {
    description = QStringLiteral("Out of memory");
  } catch (const std::exception& error) {
    description = QString::fromUtf8(error.what());
  }
  if (description.isEmpty()) description = QStringLiteral("Unexpected failure");
  return false;
}

bool ErrorTrap::Step(int line, const std::function<void()>& step) {
  QString description;
  if (RunCatchingFailure(step, description)) return true;
  ShowApplicationError(dialogs_, description, location_, line);
  return false;
}

bool ErrorTrap::Test(int line, const std::function<bool()>& test) {
  bool held = false;
  QString description;
  if (RunCatchingFailure([&] { held = test(); }, description)) return held;
  ShowApplicationError(dialogs_, description, location_, line);
  return true;
}
