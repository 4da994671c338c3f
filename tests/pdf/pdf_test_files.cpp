// The PDF tests' documents, tools and skip.
#include "pdf/pdf_test_files.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "pdf/office_location.h"

namespace pdf_testing {

std::string TextDocument(const std::string& text) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Liberation Sans;}}\\f0\\fs24 " + text + "\\par}\r\n";
}

std::string PictureDocument() {
  static const char kPng[] =
      "89504e470d0a1a0a0000000d49484452000000080000000808020000004b6d29dc0000001249444154789c63f8cfc080"
      "1561171db4120028ff3fc16eecdf610000000049454e44ae426082";
  return std::string("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Sans;}}\\f0 Picture below\\par") +
         "{\\pict\\pngblip\\picw8\\pich8\\picwgoal1440\\pichgoal1440 " + kPng + "}\\par}\r\n";
}

std::string TableDocument(int rows) {
  std::string rtf = "{\\rtf1\\ansi ";
  for (int i = 0; i < rows; ++i) {
    rtf += "\\trowd\\cellx2000\\cellx4000\\cellx6000 a" + std::to_string(i) + "\\cell b\\cell c\\cell\\row\n";
  }
  return rtf + "}\r\n";
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
  ASSERT_TRUE(file.flush()) << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void WritePlainPdf(const std::string& path) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Page /MediaBox [0 0 612 792] /Resources << >> >>"));
  page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, "0 0 m 10 10 l S\n"));
  QPDFPageDocumentHelper(pdf).addPage(page, false);
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Shell(const std::string& command, int* status) {
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {};
  std::string output;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  const int result = ::pclose(pipe);
  if (status) *status = result;
  return output;
}

std::string XmpOf(const std::string& path) {
  QPDF pdf;
  pdf.setSuppressWarnings(true);
  pdf.processFile(path.c_str());
  QPDFObjectHandle metadata = pdf.getRoot().getKey("/Metadata");
  if (!metadata.isStream()) return {};
  auto data = metadata.getStreamData();
  return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

std::string OfficeMissing() { return lorvane_pdf::OfficeMissingReason(); }

}  // namespace pdf_testing
