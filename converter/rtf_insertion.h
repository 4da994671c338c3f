// Where a block of RTF goes so that it opens a document: after the document's header
// (character set, font and colour tables, style sheet, information, generator and other
// destination groups, document formatting) and before its first text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quorlin {

// The offset in `rtf` at which a self-contained group inserted at the document's top
// level shows before any of the document's text. Nothing when `rtf` does not begin
// with "{\rtf" (after white space).
std::optional<std::size_t> DocumentStart(std::span<const std::uint8_t> rtf);

// Inserts `block` at DocumentStart of `document`; returns false and leaves the document
// unchanged when it is not RTF.
bool InsertAtDocumentStart(std::vector<std::uint8_t>& document, std::string_view block);

}  // namespace quorlin
