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

#include "converter/base/byte_sink.h"

namespace quorlin {

// The offset in `rtf` at which a self-contained group inserted at the document's top
// level shows before any of the document's text. Nothing when `rtf` does not begin
// with "{\rtf" (after white space).
std::optional<std::size_t> DocumentStart(std::span<const std::uint8_t> rtf);

// The same walk over the first bytes of a document that may go on (`whole` false):
// `decided` is false when the walk ran into the end of those bytes, where more of them
// could move `at`. Even then `at` is a place where the block may go: never inside a
// control word, its parameter or its delimiter, which more bytes could still lengthen.
struct DocumentStartWalk {
  std::optional<std::size_t> at;
  bool decided;
};
DocumentStartWalk WalkToDocumentStart(std::span<const std::uint8_t> rtf, bool whole = false);

// Where the document's colour table ends: the offset of its closing brace, how many
// entries it has (each ended by ";", the first being the reader's automatic colour), and
// whether the last one is ended; `at` is nothing when `rtf` has no complete table at its
// top level.
struct ColourTableEnd {
  std::optional<std::size_t> at;
  std::size_t entries = 0;
  bool closed = true;
};
ColourTableEnd FindColourTableEnd(std::span<const std::uint8_t> rtf);

// Passes a document made piece by piece on to `sink` with `block` inserted at its
// DocumentStart (a document that is not RTF passes unchanged). Only the document's
// opening is held back until the place is known; once kMostHeld bytes (one write more at
// most) are held without knowing it (header tables that large are not written by mail
// programs), the block goes where the walk has reached. A block with links adds their
// colour to the document's colour table (link_colour.h). Finish must be called once the
// whole document has been written.
class DocumentStartInserter : public ByteSink {
 public:
  static constexpr std::size_t kMostHeld = 16 << 20;

  // An empty `block` passes everything straight through.
  DocumentStartInserter(ByteSink& sink, std::string_view block);
  void Write(std::span<const std::uint8_t> bytes) override;
  void Finish();

 private:
  void Place(std::optional<std::size_t> at);

  ByteSink& sink_;
  std::string_view block_;
  bool placed_;
  std::vector<std::uint8_t> held_;
  std::size_t next_walk_ = 64 * 1024;
};

}  // namespace quorlin
