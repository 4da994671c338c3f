// The facts a document's header block shows, read from a message: subject, sender, the
// time it was sent, the display lists of recipients and the attachments' names.
#pragma once

#include <string>
#include <vector>

#include "converter/message.h"

namespace quorlin {

// Each text is empty when the message lacks the property.
struct HeaderFields {
  std::u16string subject;
  std::u16string sender_name;
  std::u16string sender_address;
  std::u16string sent;  // local time, see FormatLocalTime
  std::u16string to;
  std::u16string cc;
  std::vector<std::u16string> attachments;  // in attachment order
};

// Reads the fields. Subject "0037"; sender name "0C1A" and address "0C1F" (the SMTP
// address "5D01" when "0C1F" is not an Internet address; a directory address alone is left
// out); sent: submit time "0039", else
// delivery time "0E06"; "0E04" and "0E03" for To and Cc; per attachment its long file
// name "3707", else its short one "3704", else its display name "3001". 8-bit texts are
// read in HeaderCodePage (header_code_page.h). A property of a
// type that cannot be text counts as absent; a damaged file still fails (FormatError).
HeaderFields ReadHeaderFields(const Message& message);

}  // namespace quorlin
