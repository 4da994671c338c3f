// The names LibreOffice gives the sockets it listens on. A renderer's office listens on two,
// both in /tmp whatever TMPDIR says: the one the bridge connects through, and the one a
// second start with the same profile would hand its work to. An office ended by SIGKILL
// leaves both behind, so the renderer removes them itself.
#pragma once

#include <string>
#include <vector>

namespace lorvane_pdf {

// The profile folder as the file URL LibreOffice's UserInstallation takes (bytes outside
// letters, digits and "/._-~" percent-encoded).
std::string ProfileUrl(const std::string& folder);

// The paths of the sockets of an office started with the profile URL and listening on the
// named pipe: "/tmp/OSL_PIPE_<uid>_<pipe>" and "/tmp/OSL_PIPE_<uid>_SingleOfficeIPC_<MD5 of
// the URL in UTF-16LE>" (each digest byte in hex without a leading zero), with the same names in /var/tmp, where LibreOffice goes when /tmp
// cannot be used.
std::vector<std::string> OfficeSockets(const std::string& profileUrl, const std::string& pipe);

// Removes those of the paths that are sockets owned by this user.
void RemoveSockets(const std::vector<std::string>& paths);

}  // namespace lorvane_pdf
