// The RTF side of the HTML conversion: a document written front to back as the HTML tree
// is walked. It keeps the text as a browser lays it out (white space collapsed outside
// preformatted text, block boundaries as line breaks that never pile up, no break before
// the first text) and writes formatting only where it changes, as control words rather
// than groups, so however deep the HTML nests the document stays flat. It goes to the sink
// in pieces of about 64 KB.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "converter/base/byte_sink.h"

namespace quorlin {

struct CharFormat {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  bool mono = false;    // the fixed-width font
  int color = 0;        // index into the colour table; 0 is the reader's default
  int half_points = 20;
  bool operator==(const CharFormat&) const = default;
};

enum class Align : std::uint8_t { kLeft, kCenter, kRight, kJustify };

struct ParaFormat {
  int left_twips = 0;
  Align align = Align::kLeft;
};

class RtfFlow {
 public:
  explicit RtfFlow(ByteSink& sink) : sink_(sink) {}

  // The document's header with `colors` (0xRRGGBB, index 1 onwards) as its colour table
  // and `page_words` (the page it states, may be empty), then `opening`.
  void Begin(std::span<const std::uint32_t> colors, std::string_view opening,
             std::string_view page_words = {});
  // Closes the document and hands the rest to the sink.
  void End();

  // The format of paragraphs that start from now on.
  void SetParagraph(const ParaFormat& format) { para_ = format; }

  // Text of a text node (UTF-8). Outside preformatted text white space collapses.
  void Text(std::string_view utf8, const CharFormat& format, bool preformatted);
  // A block boundary: what follows starts a line, after a blank line with `blank_line`.
  void Break(bool blank_line);
  // A <br>: always a line of its own, even an empty one.
  void LineBreak(const CharFormat& format);
  // Sets off a table cell laid out as text from the one before it.
  void Tab();

  // The marker of a list item ("1.", a bullet), written before the item's first content
  // with the item's first line hanging to its left.
  void ListMarker(std::u16string marker, const CharFormat& format);
  // Writes the marker of an item that had no content.
  void FinishListItem();

  // A link around the content written until EndLink; `target` is written into the field
  // as it is, so it must be safe there.
  void BeginLink(std::string target);
  void EndLink();

  // A table row with cells ending at `right_edges` (twips), shaded with the colours of
  // `shading` (indices into the colour table, 0 for none; as many as the edges or none);
  // each cell's content is put between BeginCell and EndCell. Cells past the last edge
  // join the last cell, set off by tabs. Nothing happens for a row without cells.
  void BeginRow(std::span<const int> right_edges, std::span<const int> shading, bool borders);
  void BeginCell();
  void EndCell();
  void EndRow();
  bool InRow() const { return in_row_; }

  // For a picture written straight into the sink: what is owed is written first.
  ByteSink& PlaceForPicture(const CharFormat& format);

 private:
  void StartContent(const CharFormat& format);
  void StartParagraph();
  void WriteOwedBreaks();
  void WriteFormat(const CharFormat& format);
  void WriteCodePoint(char32_t c);
  void OpenField();
  void CloseField();
  void EndParagraph();
  void CloseCell();
  void ResetLine();
  void MaybeFlush();
  void Flush();

  ByteSink& sink_;
  std::string out_;
  ParaFormat para_;
  CharFormat written_;            // the format the document is in at its end
  CharFormat before_field_;       // the format outside the open field
  int owed_breaks_ = 0;           // line breaks to write before the next content
  int newlines_ = 0;              // paragraph ends written since the last content
  bool paragraph_open_ = false;   // "\pard" written for the current paragraph
  bool has_content_ = false;      // anything written in the document or the current cell
  bool line_empty_ = true;        // nothing written since the last line break
  bool pending_space_ = false;
  std::u16string marker_;         // a list marker still to write
  CharFormat marker_format_;
  ParaFormat marker_para_;
  std::string link_;              // target of the link being written, empty outside one
  bool field_open_ = false;
  bool in_row_ = false;
  std::size_t cells_ = 0, cells_closed_ = 0, cells_begun_ = 0;
};

}  // namespace quorlin
