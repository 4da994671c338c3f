// The steps of an all-or-nothing write that each system takes its own way: creating the
// named temporary file, making it durable, and moving it over the output.
#pragma once

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace quorlin {

// A new file at `path`, created only if nothing has that name, open for binary writing;
// null with errno set when it cannot be made (EEXIST when the name is taken). On Windows it
// is opened so that it can be deleted while open (by the console's stop handler).
std::FILE* CreateNewFile(const std::filesystem::path& path);

// Writes the complete file through to the disk before it is put in place, where the
// system's rename alone would not keep it whole across a crash; 0 or an errno.
int MakeDurable(std::FILE* file);

// Moves `from` over `to`, replacing a file there (MoveFileExW with write-through on Windows).
void MoveOver(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error);

}  // namespace quorlin
