// Chooses the document a message becomes: its decoded rich-text body when it has one
// (or the HTML it carries, when only that has the table grid: encapsulated_html.h),
// otherwise an RTF document built from its HTML body (which keeps the layout the plain
// text has lost), else from its plain-text body, else an empty RTF document.
// Which properties it reads, of which types, in what order: docs/msg-file.md.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "converter/base/byte_sink.h"
#include "converter/msg/message.h"
#include "converter/rtf/page_layout.h"

namespace quorlin {

class BodyPictures;

// 8-bit text of the message in its code page. Messages exist whose code-page property says
// UTF-8 while their text is in the Windows default page; decoding those as UTF-8 would turn
// every accented letter into a replacement mark, so bytes that are not valid UTF-8 are read
// in the default page (1252) instead. Bodies and the header block's fields alike.
std::u16string DecodeText(std::span<const std::uint8_t> bytes, std::uint32_t code_page);

// A code-page property, ignoring one that is absent, zero or of the wrong type: the choice
// of code page falls through to the next source instead of failing the file.
std::optional<std::uint32_t> CodePageProperty(const Message& message, const char* id);

// The code page of the message's 8-bit texts: "3FFD", else "3FDE", else 1252.
std::uint32_t MessageCodePage(const Message& message);

// The plain-text body ("1000"), or nothing when the message has none or it is empty.
std::optional<std::u16string> PlainTextBody(const Message& message);

// The HTML body ("1013", bytes or string) as text, or nothing when absent or empty. Bytes
// are read in the charset the HTML declares, else "3FDE", else "3FFD", else 1252; an
// 8-bit string is in the message's code page like every other.
std::optional<std::u16string> HtmlBody(const Message& message);

// What a message's document is made of, read out of the message before anything is
// written: its rich-text body still compressed, or else the HTML (UTF-8) or the text an
// RTF document is built from.
struct DocumentContent {
  // The compressed body, decoded as it is written. Where it lies in the input in one
  // piece this is a view of the input, which must then outlive the content.
  std::optional<StreamBytes> rtf;
  std::optional<std::string> html;
  std::optional<std::u16string> text;
  // RTF that opens the document before the body's first text (the header block), or
  // nothing. A rich-text body that is not RTF after all is written without it.
  std::string opening;
  // The page a document built from HTML or text states and is fitted to, also stated by a
  // rich-text body the header block opens; nothing leaves the page to the reader.
  std::optional<PageLayout> page;
  // Where the pictures of a rich-text or HTML body come from, or nothing to leave the body
  // without them (it must outlive the content).
  BodyPictures* pictures = nullptr;

  // The output file's whole content: the document followed by CR LF, handed over in
  // pieces and never held whole. Throws DecodeError should the body turn out damaged
  // part way, after some of the document has gone to `sink`.
  void WriteTo(ByteSink& sink) const;
  // The same with `with` as the body's pictures in place of `pictures` (nothing leaves
  // them out): a second pass over the one body read.
  void WriteTo(ByteSink& sink, BodyPictures* with) const;
};

DocumentContent ReadDocumentContent(const Message& message);

}  // namespace quorlin
