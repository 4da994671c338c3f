// Message writer: the example messages that ship in the "Samples" folder beside the program,
// four small .msg files each with a compressed rich-text body of its own kind (plain text,
// formatting, several scripts, an attachment), so a new user can try a conversion. The
// build writes them with tools/samples; tests check that each one converts to its RTF, and
// the fuzzer starts from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msgwriter/cfb_writer.h"

namespace msgwriter {

struct SampleMessage {
  std::string file_name;            // e.g. "Plain message.msg"
  std::string rtf;                  // the rich-text body it holds, as the document shows it
  std::vector<std::uint8_t> bytes;  // the whole .msg file
};

// The samples in the order the folder lists them; `layout` changes only how the compound
// files are laid out (the shipped ones use the default).
std::vector<SampleMessage> SampleMessages(const CfbOptions& layout = {});

}  // namespace msgwriter
