// Naming a document after its message: a pattern of the message's facts ("{date}
// {subject}") made into one safe file name by the rules of file_names.h, the same rules that
// name saved attachments.
#pragma once

#include <string>
#include <string_view>

#include "converter/document/name_fields.h"

namespace quorlin {

// The fields a pattern may hold: {file} (the message's file name without its extension),
// {date}, {subject} and {from} (NameFields). Any other text is kept as it is.
//
// Why the pattern cannot name documents: a "{" that does not open one of the fields above.
// Empty when it can.
std::string NamePatternProblem(std::string_view pattern);

// The document's name without ".doc" for the pattern: each field replaced by its value made
// safe (control characters become spaces, "/" and "\" become "_", outer spaces go). A field
// left empty goes together with the text that separates it from the field before it (or,
// for the first field, from the field after it): "{date} - {subject}" with no date gives
// the subject alone. The whole is made safe once more and shortened so that it fits the name
// limit with ".doc" after it; "(no subject)" when nothing is left. UTF-8.
std::string PatternStem(std::string_view pattern, const NameFields& fields, std::string_view file_stem);

// What PatternStem gives when nothing is left.
inline constexpr std::string_view kNoSubjectStem = "(no subject)";

}  // namespace quorlin
