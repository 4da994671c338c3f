// The facts of a message that a document can be named by: when it was sent, its subject
// and its sender. The main program asks for them before a run, when names are made from a
// pattern, since it never opens a message itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "converter/msg/message.h"
#include "converter/output/attachment_journal.h"

namespace quorlin {

// Each field is UTF-8 on one line (control characters become spaces, outer spaces go);
// empty when the message lacks it.
struct NameFields {
  std::string date;     // sent, else received, local time: "2026-12-08 1405"
  std::string subject;  // the normalized subject "0E1D", else the subject "0037"
  std::string from;     // the sender's name "0C1A"
};

NameFields ReadNameFields(const Message& message);

// What a PDF of the message's document is described by: the subject "0037" whole (else the
// normalized one), the sender's name and MessageTime.
DocumentFacts ReadDocumentFacts(const Message& message);

// When the message was sent, else when it arrived, in seconds since 1970 (UTC); nothing
// when that time is one the header block leaves out (FormatLocalTime gives nothing).
std::optional<std::int64_t> MessageTime(const Message& message);

}  // namespace quorlin
