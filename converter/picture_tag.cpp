// The attribute rules of HTML for the few attributes a picture needs. The tag text is
// decoded from the document's code page once, then walked attribute by attribute.
#include "converter/picture_tag.h"

#include <span>
#include <string>

#include "converter/code_page.h"
#include "converter/html_text.h"

namespace quorlin {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

std::u16string DecodeEntities(std::u16string_view value) {
  std::u16string out;
  for (std::size_t i = 0; i < value.size();) {
    if (value[i] == u'&') {
      const std::size_t next = DecodeHtmlEntity(value, i, out);
      if (next != i) {
        i = next;
        continue;
      }
    }
    out += value[i++];
  }
  return out;
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// "120" or "120px" (surrounding spaces allowed) as a number of pixels.
std::optional<int> Pixels(std::u16string_view value) {
  std::size_t i = 0;
  while (i < value.size() && IsSpace(value[i])) ++i;
  long long number = 0;
  const std::size_t digits = i;
  while (i < value.size() && value[i] >= u'0' && value[i] <= u'9') {
    if (number < 1'000'000) number = number * 10 + (value[i] - u'0');
    ++i;
  }
  if (i == digits) return std::nullopt;
  if (value.substr(i, 2) == u"px" || value.substr(i, 2) == u"PX") i += 2;
  while (i < value.size() && IsSpace(value[i])) ++i;
  if (i != value.size() || number == 0) return std::nullopt;
  return static_cast<int>(number);
}

}  // namespace

std::optional<ImageRef> ParseImageTag(std::string_view tag_bytes, std::uint32_t code_page) {
  const std::u16string tag = DecodeCodePage(
      std::span(reinterpret_cast<const std::uint8_t*>(tag_bytes.data()), tag_bytes.size()), code_page);
  std::size_t i = 0;
  while (i < tag.size() && IsSpace(tag[i])) ++i;
  if (tag.size() - i < 4 || tag[i] != u'<' || Lower(tag[i + 1]) != u'i' || Lower(tag[i + 2]) != u'm' ||
      Lower(tag[i + 3]) != u'g')
    return std::nullopt;
  i += 4;
  if (i < tag.size() && !IsSpace(tag[i]) && tag[i] != u'/' && tag[i] != u'>') return std::nullopt;
  ImageRef ref;
  bool seen_src = false, seen_alt = false, seen_width = false, seen_height = false;
  while (i < tag.size()) {
    while (i < tag.size() && (IsSpace(tag[i]) || tag[i] == u'/')) ++i;
    if (i == tag.size() || tag[i] == u'>') break;
    std::u16string name;
    while (i < tag.size() && !IsSpace(tag[i]) && tag[i] != u'=' && tag[i] != u'>' &&
           !(tag[i] == u'/' && !name.empty()))
      name += Lower(tag[i++]);
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    std::u16string_view value;
    if (i < tag.size() && tag[i] == u'=') {
      ++i;
      while (i < tag.size() && IsSpace(tag[i])) ++i;
      std::size_t start = i;
      if (i < tag.size() && (tag[i] == u'"' || tag[i] == u'\'')) {
        const char16_t quote = tag[i++];
        start = i;
        while (i < tag.size() && tag[i] != quote) ++i;
        value = std::u16string_view(tag).substr(start, i - start);
        if (i < tag.size()) ++i;
      } else {
        while (i < tag.size() && !IsSpace(tag[i]) && tag[i] != u'>') ++i;
        value = std::u16string_view(tag).substr(start, i - start);
      }
    }
    if (name == u"src" && !seen_src) {
      seen_src = true;
      // Line breaks and surrounding spaces are no part of a URL.
      std::u16string src = DecodeEntities(value);
      std::erase_if(src, [](char16_t c) { return c == u'\r' || c == u'\n' || c == u'\t'; });
      while (!src.empty() && src.back() == u' ') src.pop_back();
      const std::size_t lead = src.find_first_not_of(u' ');
      ref.src = Utf8(lead == std::u16string::npos ? std::u16string() : src.substr(lead));
    } else if (name == u"alt" && !seen_alt) {
      seen_alt = true;
      ref.alt = DecodeEntities(value);
    } else if (name == u"width" && !seen_width) {
      seen_width = true;
      ref.width_px = Pixels(value);
    } else if (name == u"height" && !seen_height) {
      seen_height = true;
      ref.height_px = Pixels(value);
    }
  }
  return ref;
}

}  // namespace quorlin
