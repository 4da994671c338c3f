// A message's or attachment's string property as text, for the header block, the item's
// details, the attachments' names and the names a document is given alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "converter/msg/message.h"

namespace quorlin {

// A string property as text: Unicode as it is, 8-bit in `code_page` by the bodies' rule
// (DecodeText). Empty when the property is absent or of a type that cannot be text.
std::u16string PropertyText(const OutlookStorage& storage, std::string_view id, std::uint32_t code_page);

// The same as one line: line breaks and other control characters become spaces, end-of-
// string marks and outer spaces go.
std::u16string PropertyLine(const OutlookStorage& storage, std::string_view id, std::uint32_t code_page);

}  // namespace quorlin
