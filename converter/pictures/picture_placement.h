// Places pictures into a rich-text body as it is decoded, piece by piece. The body passes
// through unchanged; only new groups are added, at two kinds of places:
// - in a body that carries HTML (\fromhtml1), right after each {\*\htmltag <img ...>}
//   group: the picture the tag names, inside {\htmlrtf ... \htmlrtf0} so that a reader
//   rebuilding the HTML skips it (the tag itself already stands for it there);
// - in any other body, right after each attachment placeholder (\objattph and its
//   delimiting space): the attachment the placeholder stands for.
// Inside a group no reader shows (any {\* destination, the font, colour and style
// tables, document information, a picture's data, a field's instructions) nothing is
// placed: a picture there would show nowhere, and it counts as not shown, so that saving
// the attachments keeps it.
// The placer holds no bytes of the body: only its reading state and the text of the tag
// it is inside (at most kMostTagBytes), so a tag or control word split between pieces is
// read whole and nothing is ever inserted inside a control word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "converter/base/byte_sink.h"
#include "converter/html/inline_images.h"
#include "converter/rtf/rtf_scanner.h"

namespace quorlin {

// The pictures a rich-text body can show: those its HTML tags name, and the attachments
// its placeholders stand for.
class BodyPictures : public InlineImages {
 public:
  // Writes what the next attachment placeholder stands for: a picture, the attachment's
  // name in brackets, or nothing.
  virtual void WriteNextAttachment(ByteSink& out) = 0;
  // Passes over the next attachment placeholder's attachment without showing it.
  virtual void SkipNextAttachment() = 0;
};

class PicturePlacer : public ByteSink, private RtfScanner::Handler {
 public:
  // The longest tag text kept; the rest of a longer tag is not read (a tag that long is
  // an inline data URL, which is not shown).
  static constexpr std::size_t kMostTagBytes = 64 * 1024;

  PicturePlacer(ByteSink& out, BodyPictures& pictures);
  void Write(std::span<const std::uint8_t> bytes) override;

 private:
  // Hands on the piece's bytes before `at`, then lets `insert` write into the document.
  template <typename Insert>
  void InsertAt(std::size_t at, Insert insert);
  // What the scanner meets.
  void CloseGroup() override;
  void Text(std::span<const std::uint8_t> run) override;
  void HexByte(std::uint8_t byte) override;
  void Word(const RtfWord& word) override;
  void Symbol(std::uint8_t c) override;

  void AppendToTag(char c);
  void PlaceTagPicture();

  ByteSink& out_;
  BodyPictures& pictures_;
  std::span<const std::uint8_t> piece_;
  std::size_t handed_on_ = 0;  // bytes of the piece already handed on

  RtfScanner scanner_;
  std::size_t tag_depth_ = 0;  // the depth of the \htmltag group being read, 0 outside
  std::string tag_;
  bool html_ = false;
  std::uint32_t code_page_ = 1252;
};

}  // namespace quorlin
