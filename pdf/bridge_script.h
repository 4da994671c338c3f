// The Python bridge's text (render_bridge.py), carried inside the program so that nothing
// has to be installed beside it; the renderer writes it into its private folder.
#pragma once

#include <string_view>

namespace lorvane_pdf {

std::string_view BridgeScript();

}  // namespace lorvane_pdf
