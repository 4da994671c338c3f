// The document's metadata as a PDF/A-3b file states it twice: in the XMP packet of the
// catalog's /Metadata stream and in the trailer's Info dictionary, which must agree. Both
// are made from one DocumentFacts, so they cannot differ.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace lorvane_pdf {

struct DocumentFacts {
  std::string title;     // dc:title and /Title (the message's subject); empty: left out
  std::string author;    // dc:creator and /Author (the sender); empty: left out
  std::string creator;   // xmp:CreatorTool and /Creator (the program that made the document)
  std::string producer;  // pdf:Producer and /Producer (the program that made the PDF)
  std::chrono::system_clock::time_point created;   // xmp:CreateDate and /CreationDate
  std::chrono::system_clock::time_point modified;  // xmp:ModifyDate and /ModDate
};

// The XMP packet (UTF-8, with its xpacket wrapper and padding) stating PDF/A-3b
// (pdfaid:part = 3, pdfaid:conformance = B) and the facts. The texts must be clean
// (CleanText).
std::string XmpPacket(const DocumentFacts& facts);

// A time in UTC as a PDF date ("D:20261208122254Z") and as an XMP date
// ("2026-12-08T12:22:54Z"), to the second.
std::string PdfDate(std::chrono::system_clock::time_point time);
std::string XmpDate(std::chrono::system_clock::time_point time);

// Text a sender chose made safe for both places: invalid UTF-8 becomes U+FFFD, and
// characters XML 1.0 does not allow (controls other than tab, line feed and carriage
// return; U+FFFE, U+FFFF) are dropped. At most 4,096 bytes are kept, at a character's end.
std::string CleanText(std::string_view utf8);

}  // namespace lorvane_pdf
