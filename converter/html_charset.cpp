// Charset sniffing of HTML bodies: a scan of the first bytes for <meta> tags, skipping
// comments, reading the "charset" that either form of the declaration carries.
#include "converter/html_charset.h"

#include <algorithm>
#include <string_view>

#include "converter/charset_names.h"

namespace quorlin {
namespace {

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
    if (std::optional<std::uint32_t> code_page = CodePageForCharset(name)) return code_page;
  }
  return std::nullopt;
}

}  // namespace

std::optional<DeclaredEncoding> HtmlDeclaredEncoding(std::span<const std::uint8_t> html) {
  if (html.size() >= 3 && html[0] == 0xEF && html[1] == 0xBB && html[2] == 0xBF)
    return DeclaredEncoding{65001, 3};
  if (html.size() >= 2 && html[0] == 0xFF && html[1] == 0xFE) return DeclaredEncoding{1200, 2};
  if (html.size() >= 2 && html[0] == 0xFE && html[1] == 0xFF) return DeclaredEncoding{1201, 2};

  const std::span<const std::uint8_t> head = html.first(std::min(html.size(), kCharsetScanBytes));
  for (std::size_t at = 0; at < head.size(); ++at) {
    if (head[at] != '<') continue;
    if (StartsWithNoCase(head, at, "<!--")) {
      const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
      const std::size_t end = text.find("-->", at + 4);
      if (end == std::string_view::npos) break;
      at = end + 2;
      continue;
    }
    if (!StartsWithNoCase(head, at, "<meta") || at + 5 >= head.size() ||
        !(IsSpace(head[at + 5]) || head[at + 5] == '/'))
      continue;
    std::size_t end = at + 5;
    while (end < head.size() && head[end] != '>') ++end;
    if (std::optional<std::uint32_t> code_page = CharsetInTag(head.subspan(at + 5, end - at - 5)))
      return DeclaredEncoding{*code_page == 1200 || *code_page == 1201 ? 65001u : *code_page};
    at = end;
  }
  return std::nullopt;
}

}  // namespace quorlin
