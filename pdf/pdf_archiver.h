// The archiver: turns the renderer's PDF into the final archival file of one message, a
// PDF/A-3b document that also holds the message itself: the original .msg file and what
// was kept of it, as PDF/A-3 associated files. libqpdf does all the PDF work.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace lorvane_pdf {

// A file to carry inside the PDF.
struct ArchivedFile {
  std::string path;  // where its bytes are
  std::string name;  // its name inside the PDF (UTF-8); empty: the path's last part
  // The file name the document's links give it ("x.doc" for an embedded message's PDF);
  // empty: the path's last part.
  std::string linkedAs = {};
};

struct ArchiveInput {
  std::string renderedPdf;  // what PdfRenderer::Render made; read, never changed
  std::string target;       // the final PDF
  bool replace = false;     // replace a regular file at the target; otherwise it fails

  // The message's facts (UTF-8; cleaned here): the document's title, author and date.
  std::string subject;
  std::string sender;
  std::optional<std::chrono::system_clock::time_point> sent;  // none: the time of archiving

  // Associated files, named as in the attachments folder; each name is used once (a second
  // "a.txt" becomes "a (2).txt").
  ArchivedFile message;                     // the original .msg: relationship Source (none: empty path)
  std::vector<ArchivedFile> attachments;    // each attachment saved: Data
  std::vector<ArchivedFile> embeddedPdfs;   // each embedded message's own final PDF: Data
};

// Writes the target: the rendered pages, an XMP packet (pdfaid:part = 3, conformance = B,
// dc:title, dc:creator, xmp:CreateDate) agreeing with the Info dictionary, and every file of
// `in` in the /EmbeddedFiles name tree and the catalog's /AF array, each with its
// /AFRelationship, MIME type, size, checksum and dates. The target appears complete or not
// at all (a temporary file beside it, then put in place). False with a plain reason when a
// file cannot be read, the rendered PDF is damaged or the target cannot be written (or
// exists, without `replace`). A link of the document to one of these files by its
// `linkedAs` name becomes a file-attachment annotation of it; a link to another file
// beside the document is removed (LeadLinksToCarriedFiles).
bool Archive(const ArchiveInput& in, std::string& failure);

}  // namespace lorvane_pdf
