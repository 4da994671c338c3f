// What the PDF tests share: small RTF documents, a plain PDF made with libqpdf (so the
// archiver's tests need no LibreOffice), running the poppler and qpdf tools, and the skip
// when LibreOffice is not installed.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace pdf_testing {

// An RTF document of one paragraph of `text` (ASCII, or \uN escapes).
std::string TextDocument(const std::string& text);
// An RTF document holding one 8x8 PNG picture.
std::string PictureDocument();
// An RTF table of `rows` rows of three cells: enough rows keep Writer busy for minutes.
std::string TableDocument(int rows);

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// Writes a one-page PDF without metadata at `path`.
void WritePlainPdf(const std::string& path);

// Runs a shell command; its standard output, and its exit status in `status`.
std::string Shell(const std::string& command, int* status = nullptr);
std::string Quote(const std::string& text);

// The catalog's XMP packet of a PDF, as text; empty when there is none.
std::string XmpOf(const std::string& pdf);

// Why LibreOffice cannot render here (not installed, no Python bridge); empty when it can.
std::string OfficeMissing();

}  // namespace pdf_testing

// Skips the running test, saying why, when LibreOffice cannot render on this machine.
#define PDF_REQUIRE_OFFICE()                                                                      \
  do {                                                                                            \
    const std::string missing = pdf_testing::OfficeMissing();                                     \
    if (!missing.empty()) GTEST_SKIP() << "skipped, LibreOffice cannot render here: " << missing; \
  } while (false)
