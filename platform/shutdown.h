// The process-wide clean-up registry and the immediate end of the program. Closing the main
// window ends the process at once, even in the middle of a handler that is yielding; the few
// things that must not outlive the process (the converter file of a running conversion)
// register a clean-up here so they are removed first.
#pragma once

#include <functional>

// Registers a clean-up; the returned id removes it again.
int RegisterCleanup(std::function<void()> cleanup);
// Removes a clean-up that has not run yet; an unknown id is ignored.
void UnregisterCleanup(int id);
// Runs every registered clean-up once, newest first, and forgets them. A clean-up that
// throws is skipped; the others still run.
void RunCleanups();
// Runs the clean-ups, flushes the standard streams and ends the process with status 0,
// without returning to any handler or to the event loop.
[[noreturn]] void EndProgramNow();
