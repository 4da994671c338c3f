// The header block that opens a document when the user asks for it: the subject as a
// heading, then From, Sent, To, Cc, Bcc, the item's own details (meetings, contacts, tasks) and
// Attachments lines, then a rule, as one RTF group.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/document/header_fields.h"
#include "converter/rtf/link_colour.h"

namespace quorlin {

// The block as a self-contained RTF group, pure ASCII; empty when no field is set.
// Lines whose field is empty are left out. Labels and values sit in two columns, the
// labels' as wide as the block's longest label needs.
std::string HeaderBlockRtf(const HeaderFields& fields);

// Links to saved attachments are shown as word processors show links: underlined, in
// kLinkColour. A block with links names that colour's place in the document's colour
// table with kLinkColourMark (a byte no RTF text holds); the writer of each kind of
// document gives the colour a place in its table and puts the block in with
// LinkColourBlock (link_colour.h).

}  // namespace quorlin
