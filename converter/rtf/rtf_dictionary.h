// The 207 bytes every compressed rich-text body starts from: the dictionary holds them
// before the first token is read, so references may copy from them at once.
#pragma once

#include <cstddef>
#include <string_view>

namespace quorlin {

inline constexpr std::string_view kRtfInitialDictionary =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss "
    "\\fmodern \\fscript \\fdecor MS Sans SerifSymbolArialTimes New RomanCourier"
    "{\\colortbl\\red0\\green0\\blue0\r\n\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";

inline constexpr std::size_t kRtfDictionarySize = 4096;

static_assert(kRtfInitialDictionary.size() == 207);

}  // namespace quorlin
