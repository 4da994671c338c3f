// The links a document has to files beside it (the header block's attachment names) lead,
// in its PDF, to the same files carried inside the PDF: LibreOffice writes them as links to
// the folder the document was made in, which is gone once the PDF is archived.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <string>
#include <vector>

namespace lorvane_pdf {

// A file the PDF carries and the file name (UTF-8) the document's links give it.
struct CarriedFile {
  std::string linkedAs;
  QPDFObjectHandle fileSpec;  // its file entry (/Type /Filespec) in the PDF
};

// Each link annotation whose action is a "file:" URI becomes a file-attachment annotation
// of the carried file its last path part names inside a folder "... attachments" (same
// place, an invisible appearance, so the words under it read as before); one that names no
// carried file is removed and its words stay plain text. Links to anything else are left
// as they are.
void LeadLinksToCarriedFiles(QPDF& pdf, const std::vector<CarriedFile>& carried);

// The percent-decoded last part of a "file:" URI's path; empty for any other URI.
std::string LinkedFileName(const std::string& uri);
// Whether the URI's last part lies in a folder whose name ends " attachments".
bool InAttachmentsFolder(const std::string& uri);

}  // namespace lorvane_pdf
