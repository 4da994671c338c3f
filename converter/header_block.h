// The header block that opens a document when the user asks for it: the subject as a
// heading, then From, Sent, To, Cc, Bcc, the item's own details (meetings, contacts, tasks) and
// Attachments lines, then a rule, as one RTF group.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "converter/header_fields.h"

namespace quorlin {

// The block as a self-contained RTF group, pure ASCII; empty when no field is set.
// Lines whose field is empty are left out.
std::string HeaderBlockRtf(const HeaderFields& fields);

}  // namespace quorlin
