// Notices: one-line remarks on standard error about a conversion that still succeeds,
// such as text read in a fallback code page. Tests replace the sink to see them.
#pragma once

#include <functional>
#include <string>

namespace quorlin {

using NoticeSink = std::function<void(const std::string&)>;

// Says `text` once per process: a repeated notice is not printed again.
void Notice(const std::string& text);

// Replaces where notices go (standard error by default); returns the previous sink. An
// empty sink restores standard error. Also forgets which notices were already given.
NoticeSink SetNoticeSink(NoticeSink sink);

}  // namespace quorlin
