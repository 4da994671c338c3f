// The extensions mail attachments most often carry, and their MIME types.
#include "pdf/mime_types.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace lorvane_pdf {

std::string MimeTypeForName(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 42> kTypes = {{
      {"7z", "application/x-7z-compressed"},
      {"bmp", "image/bmp"},
      {"csv", "text/csv"},
      {"doc", "application/msword"},
      {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
      {"eml", "message/rfc822"},
      {"emf", "image/emf"},
      {"gif", "image/gif"},
      {"gz", "application/gzip"},
      {"htm", "text/html"},
      {"html", "text/html"},
      {"ics", "text/calendar"},
      {"jpeg", "image/jpeg"},
      {"jpg", "image/jpeg"},
      {"json", "application/json"},
      {"mp3", "audio/mpeg"},
      {"mp4", "video/mp4"},
      {"msg", "application/vnd.ms-outlook"},
      {"odp", "application/vnd.oasis.opendocument.presentation"},
      {"ods", "application/vnd.oasis.opendocument.spreadsheet"},
      {"odt", "application/vnd.oasis.opendocument.text"},
      {"pdf", "application/pdf"},
      {"png", "image/png"},
      {"ppt", "application/vnd.ms-powerpoint"},
      {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
      {"rar", "application/vnd.rar"},
      {"rtf", "application/rtf"},
      {"svg", "image/svg+xml"},
      {"tif", "image/tiff"},
      {"tiff", "image/tiff"},
      {"tsv", "text/tab-separated-values"},
      {"txt", "text/plain"},
      {"vcf", "text/vcard"},
      {"wav", "audio/wav"},
      {"webp", "image/webp"},
      {"wmf", "image/wmf"},
      {"xls", "application/vnd.ms-excel"},
      {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {"xml", "application/xml"},
      {"zip", "application/zip"},
      {"log", "text/plain"},
      {"md", "text/markdown"},
  }};
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == name.size()) return "application/octet-stream";
  std::string extension(name.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const auto& [known, type] : kTypes) {
    if (known == extension) return std::string(type);
  }
  return "application/octet-stream";
}

}  // namespace lorvane_pdf
