// The words the renderer's bridge (render_bridge.py) answers with, defined here once: the
// build writes them into the bridge's text (pdf/CMakeLists.txt), so the renderer and the
// bridge cannot come to spell them differently.
#pragma once

#include <string_view>

namespace lorvane_pdf::bridge_word {

// Once, when the bridge is connected to its office.
inline constexpr std::string_view kReady = "ready";
// The PDF is made.
inline constexpr std::string_view kOk = "ok";
// The office read the document and refused it (the reason says why); it stays.
inline constexpr std::string_view kFailed = "failed";
// The office stopped answering while it made the PDF (the reason says how it ended).
inline constexpr std::string_view kEnded = "ended";

}  // namespace lorvane_pdf::bridge_word
