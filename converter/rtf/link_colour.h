// The colour of links in a document, and the mark a block of RTF (the header block with
// links to saved attachments) puts where the colour's place in the document's colour table
// goes, filled in by the writer of each kind of document once its table is known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorlin {

inline constexpr std::uint32_t kLinkColour = 0x0563C1;
inline constexpr char kLinkColourMark = '\x01';
inline constexpr std::string_view kLinkColourEntry = "\\red5\\green99\\blue193;";

// Whether `block` names the link colour's place anywhere.
bool UsesLinkColour(std::string_view block);

// `block` with each kLinkColourMark replaced by `index`, the colour's place in the table.
std::string LinkColourBlock(std::string_view block, std::size_t index);

}  // namespace quorlin
