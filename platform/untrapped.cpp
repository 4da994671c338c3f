// Failures of handlers without an error trap become a plain message.
#include "platform/untrapped.h"

#include "platform/dialogs.h"
#include "platform/error_trap.h"

void RunUntrapped(Dialogs& dialogs, const std::function<void()>& handler) {
  QString description;
  if (RunCatchingFailure(handler, description)) return;
  try {
    dialogs.ShowMessage(description, {}, Dialogs::Icon::Exclamation);
  } catch (...) {
    // Nothing is left to tell the user with; the handler has ended either way.
  }
}
