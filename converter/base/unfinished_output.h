// The named temporary file of the document being written, remembered where a fault
// handler can reach it: a process ended by a fault (the input cut short while it is
// mapped) removes it before it exits, so no half-written document survives it.
#pragma once

namespace quorlin {

// Remembers `path`, a file this process created, until ForgetUnfinishedOutput. A path too
// long to remember is not remembered.
void RememberUnfinishedOutput(const char* path);
void ForgetUnfinishedOutput();

// Removes the remembered file, if any, and forgets it. Safe inside a signal handler: it
// calls nothing but unlink.
void RemoveUnfinishedOutput();

}  // namespace quorlin
