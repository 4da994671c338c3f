// The code page of a message's 8-bit texts outside its body: the subject, the sender's and
// recipients' names and the attachments' names that the header block shows. They are in
// the Windows code page of the program that wrote the message, which is not always the
// code page the body came in.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "converter/msg/message.h"

namespace quorlin {

// The message's Windows code page ("3FFD"); else the "\ansicpg" its rich-text body
// declares; else the Windows code page of the script of the code page the body came in
// ("3FDE", see WindowsCodePageOfScript); else 1252.
std::uint32_t HeaderCodePage(const Message& message);

// The Windows code page that writes the same script as `code_page`: ISO-2022-JP and EUC-JP
// give 932, KOI8 and ISO-8859-5 give 1251, and so on. The Windows pages (874, 932, 936,
// 949, 950, 1250-1258) are their own, and so is UTF-8 (its texts that are not UTF-8 are
// read as 1252 where they are decoded). Anything else, Western pages included, gives 1252.
std::uint32_t WindowsCodePageOfScript(std::uint32_t code_page);

// The code page an RTF document's opening declares with "\ansicpgN" (N > 0), or nothing.
std::optional<std::uint32_t> RtfAnsiCodePage(std::span<const std::uint8_t> opening);

}  // namespace quorlin
