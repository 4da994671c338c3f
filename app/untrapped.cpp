// Failures of handlers without an error trap become a plain message.
#include "app/untrapped.h"

#include <new>

#include "platform/app_error.h"
#include "platform/dialogs.h"

void RunUntrapped(Dialogs& dialogs, const std::function<void()>& handler) {
  QString description;
  try {
    handler();
    return;
  } catch (const AppError& error) {
    description = error.description();
  } catch (const std::bad_alloc&) {
    description = QStringLiteral("Out of memory");
  } catch (const std::exception& error) {
    description = QString::fromUtf8(error.what());
  }
  try {
    dialogs.ShowMessage(description, {}, Dialogs::Icon::Exclamation);
  } catch (...) {
    // Nothing is left to tell the user with; the handler has ended either way.
  }
}
