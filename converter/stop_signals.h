// A converter stopped by a signal (SIGTERM, SIGINT, SIGHUP: a time limit, Ctrl-C, a closed
// terminal) takes back what the conversion under way wrote before it ends: whatever its
// journal lists (output_journal.h) and the named temporary file of the document. It then
// ends by the same signal, so whoever started it sees why it ended.
#pragma once

namespace quorlin {

// Installs the handlers; the converter's main calls it first.
void InstallStopHandlers();

}  // namespace quorlin
