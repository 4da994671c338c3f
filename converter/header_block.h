// The header block that opens a document when the user asks for it: the subject as a
// heading, then From, Sent, To, Cc, Bcc, the item's own details (meetings, contacts, tasks) and
// Attachments lines, then a rule, as one RTF group.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/header_fields.h"

namespace quorlin {

// The block as a self-contained RTF group, pure ASCII; empty when no field is set.
// Lines whose field is empty are left out. Labels and values sit in two columns, the
// labels' as wide as the block's longest label needs.
std::string HeaderBlockRtf(const HeaderFields& fields);

// Links to saved attachments are shown as word processors show links: underlined, in
// kLinkColour. A block with links names that colour's place in the document's colour
// table with kLinkColourMark (a byte no RTF text holds); the writer of each kind of
// document gives the colour a place in its table and puts the block in with
// LinkColourBlock.
inline constexpr std::uint32_t kLinkColour = 0x0563C1;
inline constexpr char kLinkColourMark = '\x01';
inline constexpr std::string_view kLinkColourEntry = "\\red5\\green99\\blue193;";
bool UsesLinkColour(std::string_view block);
std::string LinkColourBlock(std::string_view block, std::size_t index);

}  // namespace quorlin
