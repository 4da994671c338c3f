// The named temporary file of the document being written, remembered where a fault
// handler can reach it: a process ended by a fault (the input cut short while it is
// mapped) removes it before it exits, so no half-written document survives it.
#pragma once

#include <filesystem>

namespace quorlin {

// Remembers `path` (the system's own spelling: UTF-16 on Windows), a file this process
// created, until ForgetUnfinishedOutput. A path too long to remember is not remembered.
void RememberUnfinishedOutput(const std::filesystem::path::value_type* path);
void ForgetUnfinishedOutput();

// Removes the remembered file, if any, and forgets it. Safe inside a signal handler: it
// calls nothing but unlink (DeleteFileW on Windows).
void RemoveUnfinishedOutput();

}  // namespace quorlin
