// Charset sniffing of HTML bodies: a scan of the first bytes for <meta> tags, skipping
// comments, reading the "charset" that either form of the declaration carries.
#include "converter/text/html_charset.h"

#include <algorithm>
#include <string_view>

#include "converter/text/charset_names.h"

namespace quorlin {
namespace {

constexpr std::uint32_t kUtf7 = 65000;

char Lower(std::uint8_t c) {
  return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

bool StartsWithNoCase(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view word) {
  if (bytes.size() - at < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k)
    if (Lower(bytes[at + k]) != word[k]) return false;
  return true;
}

bool IsLabelChar(std::uint8_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '_' || c == '.' || c == ':';
}

bool IsSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// The charset named inside one tag's bytes ("charset" [spaces] "=" [spaces] [quote] name).
std::optional<std::uint32_t> CharsetInTag(std::span<const std::uint8_t> tag) {
  for (std::size_t at = 0; at < tag.size(); ++at) {
    if (!StartsWithNoCase(tag, at, "charset")) continue;
    std::size_t i = at + 7;
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && (IsSpace(tag[i]) || tag[i] == '"' || tag[i] == '\'')) ++i;
    const std::size_t start = i;
    while (i < tag.size() && IsLabelChar(tag[i])) ++i;
    const std::string_view name(reinterpret_cast<const char*>(tag.data() + start), i - start);
    // Browsers do not follow a UTF-7 label (text in it could smuggle markup past a
    // filter), so it counts as unknown here too and the body keeps its other sources.
    std::optional<std::uint32_t> code_page = CodePageForCharset(name);
    if (code_page && *code_page != kUtf7) return code_page;
  }
  return std::nullopt;
}

}  // namespace

std::optional<DeclaredEncoding> HtmlDeclaredEncoding(std::span<const std::uint8_t> html) {
  if (html.size() >= 3 && html[0] == 0xEF && html[1] == 0xBB && html[2] == 0xBF)
    return DeclaredEncoding{65001, 3};
  if (html.size() >= 2 && html[0] == 0xFF && html[1] == 0xFE) return DeclaredEncoding{1200, 2};
  if (html.size() >= 2 && html[0] == 0xFE && html[1] == 0xFF) return DeclaredEncoding{1201, 2};

  // Tags that begin within the scanned head are read to their end, even past it, so a
  // name the limit cuts ("iso-8859-13" as "iso-8859-1") is never taken for another.
  const std::size_t scan = std::min(html.size(), kCharsetScanBytes);
  const std::string_view text(reinterpret_cast<const char*>(html.data()), html.size());
  for (std::size_t at = 0; at < scan; ++at) {
    if (html[at] != '<') continue;
    if (StartsWithNoCase(html, at, "<!--")) {
      const std::size_t end = text.find("-->", at + 4);
      if (end == std::string_view::npos) break;
      at = end + 2;
      continue;
    }
    if (!StartsWithNoCase(html, at, "<meta") || at + 5 >= html.size() ||
        !(IsSpace(html[at + 5]) || html[at + 5] == '/'))
      continue;
    const std::size_t end = std::min(text.find('>', at + 5), html.size());
    if (std::optional<std::uint32_t> code_page = CharsetInTag(html.subspan(at + 5, end - at - 5)))
      return DeclaredEncoding{*code_page == 1200 || *code_page == 1201 ? 65001u : *code_page};
    at = end;
  }
  return std::nullopt;
}

}  // namespace quorlin
