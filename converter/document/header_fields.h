// The facts a document's header block shows, read from a message: subject, sender, the
// time it was sent, the display lists of recipients and the attachments' names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "converter/document/item_details.h"
#include "converter/msg/message.h"

namespace quorlin {

// Each text is empty when the message lacks the property.
struct HeaderFields {
  std::u16string subject;
  std::u16string sender_name;
  std::u16string sender_address;
  std::u16string sent;  // local time, see FormatLocalTime
  std::u16string to;
  std::u16string cc;
  std::u16string bcc;  // kept in sent mail only
  std::vector<std::u16string> attachments;  // in attachment order
  std::vector<DetailLine> details;  // a meeting's, contact's or task's own lines
  // Where each attachment was saved, relative to the document and URL-escaped, in the
  // same order; empty (or an empty link) when it was not saved.
  std::vector<std::string> attachment_links;
};

// Reads the fields. Subject "0037"; sender name "0C1A" and address "0C1F" (the SMTP
// address "5D01" when "0C1F" is not an Internet address; a directory address alone is left
// out); sent: submit time "0039", else
// delivery time "0E06"; "0E04", "0E03" and "0E02" for To, Cc and Bcc; the names of the attachments the
// sender added (attachment_list.h: not hidden ones, not the pictures in `shown`), those
// without a name left out. 8-bit texts are read in HeaderCodePage
// (header_code_page.h). A property of a
// type that cannot be text counts as absent; a damaged file still fails (FormatError).
HeaderFields ReadHeaderFields(const Message& message, const std::set<std::size_t>& shown = {});

}  // namespace quorlin
