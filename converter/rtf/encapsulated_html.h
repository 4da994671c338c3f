// The HTML that a rich-text body made from HTML carries inside itself (\fromhtml1): the
// markup in {\*\htmltag ...} groups, the text between them outside \htmlrtf regions.
// Mail programs keep most HTML mail this way, and the RTF side often has no table rows
// where the HTML has a table; such a body's document is made from the HTML it carries.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "converter/base/byte_sink.h"
#include "converter/rtf/rtf_scanner.h"

namespace quorlin {

// Reads a decoded rich-text body piece by piece and takes out the HTML it carries, as
// UTF-16. The body's own code page (\ansicpg) reads the tags' bytes, the selected font's
// character set the text's. It holds the HTML it has read and its group states, never
// the body itself.
class EncapsulatedHtmlReader : public ByteSink, private RtfScanner::Handler {
 public:
  // The most nested groups whose states are kept; deeper groups are read as their parent.
  static constexpr std::size_t kMostDepth = 4096;

  // `most_units`: the longest HTML (UTF-16 units) read; past it the reader gives up.
  explicit EncapsulatedHtmlReader(std::size_t most_units = SIZE_MAX);

  void Write(std::span<const std::uint8_t> bytes) override;

  // True once the body has declared \fromhtml1 in its header.
  bool carries_html() const { return carries_html_; }
  // True once a table row (\trowd) was met in the RTF side.
  bool has_table_rows() const { return table_rows_; }
  // True when reading further can change nothing: the body carries no HTML, has table
  // rows of its own, or carries more HTML than the reader keeps.
  bool settled() const { return table_rows_ || too_long_ || (seen_text_ && !carries_html_); }
  bool too_long() const { return too_long_; }
  // The HTML read so far.
  std::u16string TakeHtml();

 private:
  // What a group does with what is inside it.
  enum class Kind : std::uint8_t { kBody, kSkip, kTag, kFontTable };
  struct Group {
    Kind kind = Kind::kBody;
    bool htmlrtf = false;
    int skip_after_unicode = 1;    // \ucN
    std::uint32_t code_page = 0;   // the selected font's, 0 for the body's own
  };

  // What the scanner meets.
  void OpenGroup() override;
  void CloseGroup() override;
  void Text(std::span<const std::uint8_t> run) override;
  void HexByte(std::uint8_t byte) override;
  void Word(const RtfWord& word) override;
  void Symbol(std::uint8_t c) override;

  void TextByte(std::uint8_t c);
  bool Copying() const;
  bool InFontTable() const;
  void AddByte(std::uint8_t byte);
  void AddUnit(char16_t unit);
  void FlushBytes();
  std::uint32_t ByteCodePage() const;

  RtfScanner scanner_;
  std::vector<Group> groups_{Group{}};
  std::size_t deeper_ = 0;  // groups past kMostDepth, read as the innermost kept one
  int unicode_skip_ = 0;    // fallback characters still to drop after a \uN

  std::uint32_t code_page_ = 1252;  // \ansicpg
  std::optional<long long> font_defined_;  // the font number being defined in the table
  std::vector<std::pair<long long, std::uint32_t>> font_code_pages_;

  bool carries_html_ = false;
  bool table_rows_ = false;
  bool seen_text_ = false;
  bool too_long_ = false;
  std::size_t most_units_;

  std::u16string html_;
  std::string bytes_;  // text bytes not yet decoded, all in bytes_code_page_
  std::uint32_t bytes_code_page_ = 0;
};

// A body's document is made from the HTML it carries when it carries HTML that has a
// table and has no table rows of its own: that HTML, else nothing (the body is then
// written as it is). A body that cannot be decoded gives nothing too; writing it fails
// as before. So does HTML longer than the compressed body plus 8 Mi units, so that a
// small body that decodes to a huge one is never held whole.
std::optional<std::u16string> TableHtmlOfRtfBody(std::span<const std::uint8_t> compressed);

// True when the HTML holds a <table> start tag.
bool HtmlHasTable(std::u16string_view html);

}  // namespace quorlin
