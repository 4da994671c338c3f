// How the PDF layer writes its files: through the one all-or-nothing writer
// (converter/files/atomic_file.h) the converter uses too, open to its owner only while it is
// written; a file that replaces another takes the permissions of the one it replaces, a new
// file those of any file the user makes (0666 less the umask). The PDF documents and the
// run's report are both written this way.
#pragma once

#include <string>
#include <system_error>

#include "converter/files/atomic_file.h"

namespace lorvane_pdf {

// The writer's way for the main program's files: no journal, private while written.
inline constexpr quorlin::AtomicFileWay kOutputFileWay{.journaled = false, .private_while_written = true};

// The failure to put a complete file at `target` in words: "... exists already" for a name
// that is taken (or, replacing, for anything but a regular file there), else "cannot write
// ...: <reason>"; `opening` says it for the temporary file, whose names are never the target.
std::string WriteFailure(const std::string& target, std::error_code error, bool opening = false);

// Moves a complete file to `target`, replacing a regular file there: a rename, or a copy
// through the writer when the two are on different file systems. Throws
// std::runtime_error with the reason when it cannot; the target is then as it was.
void MoveFile(const std::string& from, const std::string& target);

}  // namespace lorvane_pdf
