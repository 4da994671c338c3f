// Runs a handler that has no error trap of its own. Qt cannot carry an exception back through
// its event loop, so a failure of such a handler (a settings write that cannot reach the
// store, say) is shown to the user as a plain message with its description and the handler
// ends there.
#pragma once

#include <functional>

class Dialogs;

void RunUntrapped(Dialogs& dialogs, const std::function<void()>& handler);
