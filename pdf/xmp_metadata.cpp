// Writing the XMP packet and the two date forms, and cleaning sender-chosen text.
#include "pdf/xmp_metadata.h"

#include <cstdio>
#include <ctime>

namespace lorvane_pdf {
namespace {

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::tm Utc(std::chrono::system_clock::time_point time) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  std::tm parts{};
  ::gmtime_r(&seconds, &parts);
  return parts;
}

void Append(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool AllowedInXml(char32_t c) {
  if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
  return c != 0xFFFE && c != 0xFFFF;
}

}  // namespace

std::string CleanText(std::string_view utf8) {
  constexpr std::size_t kMostBytes = 4096;
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length != 0 && i + length <= utf8.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && c >= kLeast[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    if (!valid) {
      c = 0xFFFD;
      length = 1;
    }
    std::string piece;
    if (AllowedInXml(c)) Append(piece, c);
    if (out.size() + piece.size() > kMostBytes) break;
    out += piece;
    i += length;
  }
  return out;
}

std::string PdfDate(std::chrono::system_clock::time_point time) {
  const std::tm t = Utc(time);
  char text[80];
  std::snprintf(text, sizeof text, "D:%04d%02d%02d%02d%02d%02dZ", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

std::string XmpDate(std::chrono::system_clock::time_point time) {
  const std::tm t = Utc(time);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

std::string XmpPacket(const DocumentFacts& facts) {
  std::string x;
  x += "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n";
  x += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n";
  x += " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n";
  x += "  <rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n";
  x += "   <pdfaid:part>3</pdfaid:part>\n";
  x += "   <pdfaid:conformance>B</pdfaid:conformance>\n";
  x += "  </rdf:Description>\n";
  x += "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
  x += "   <dc:format>application/pdf</dc:format>\n";
  if (!facts.title.empty()) {
    x += "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" + Escaped(facts.title) +
         "</rdf:li></rdf:Alt></dc:title>\n";
  }
  if (!facts.author.empty()) {
    x += "   <dc:creator><rdf:Seq><rdf:li>" + Escaped(facts.author) + "</rdf:li></rdf:Seq></dc:creator>\n";
  }
  x += "  </rdf:Description>\n";
  x += "  <rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n";
  if (!facts.creator.empty()) x += "   <xmp:CreatorTool>" + Escaped(facts.creator) + "</xmp:CreatorTool>\n";
  x += "   <xmp:CreateDate>" + XmpDate(facts.created) + "</xmp:CreateDate>\n";
  x += "   <xmp:ModifyDate>" + XmpDate(facts.modified) + "</xmp:ModifyDate>\n";
  x += "  </rdf:Description>\n";
  if (!facts.producer.empty()) {
    x += "  <rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n";
    x += "   <pdf:Producer>" + Escaped(facts.producer) + "</pdf:Producer>\n";
    x += "  </rdf:Description>\n";
  }
  x += " </rdf:RDF>\n";
  x += "</x:xmpmeta>\n";
  // Room for editors that add to the packet in place.
  for (int line = 0; line < 20; ++line) x += std::string(99, ' ') + "\n";
  x += "<?xpacket end=\"w\"?>";
  return x;
}

}  // namespace lorvane_pdf
