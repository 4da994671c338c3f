// The tag text is decoded from the document's code page and read by the same HTML parser
// as HTML bodies, so attributes, quoting and character references follow the HTML rules;
// only the values a picture needs are taken from it.
#include "converter/pictures/picture_tag.h"

#include <span>
#include <string>
#include <vector>

#include "converter/text/code_page.h"
#include "converter/html/html_to_rtf_parse.h"

namespace quorlin {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

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
  if (i + 4 < tag.size() && !IsSpace(tag[i + 4]) && tag[i + 4] != u'/' && tag[i + 4] != u'>') return std::nullopt;

  const std::string html = EncodeUtf8(std::u16string_view(tag).substr(i));
  std::optional<ImageRef> found;
  ParseHtml(html, DefaultHtmlParseLimits(html.size()), [&found](const GumboNode& document, bool) {
    // The first img element of the tree (the tag itself), found without recursion.
    std::vector<const GumboNode*> pending = {&document};
    while (!pending.empty() && !found) {
      const GumboNode* node = pending.back();
      pending.pop_back();
      if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT) continue;
      if (node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == GUMBO_TAG_IMG) {
        ImageRef ref;
        const GumboVector& attributes = node->v.element.attributes;
        auto value = [&attributes](const char* name) -> std::optional<std::u16string> {
          const GumboAttribute* attribute = gumbo_get_attribute(&attributes, name);
          if (!attribute) return std::nullopt;
          return Utf16FromUtf8(attribute->value);
        };
        if (std::optional<std::u16string> src = value("src")) {
          // Line breaks and surrounding spaces are no part of a URL.
          std::erase_if(*src, [](char16_t c) { return c == u'\r' || c == u'\n' || c == u'\t'; });
          const std::size_t lead = src->find_first_not_of(u' ');
          const std::size_t last = src->find_last_not_of(u' ');
          ref.src = lead == std::u16string::npos ? std::string() : EncodeUtf8(src->substr(lead, last - lead + 1));
        }
        if (std::optional<std::u16string> alt = value("alt")) ref.alt = *alt;
        if (std::optional<std::u16string> width = value("width")) ref.width_px = Pixels(*width);
        if (std::optional<std::u16string> height = value("height")) ref.height_px = Pixels(*height);
        found = std::move(ref);
        break;
      }
      const GumboVector& children =
          node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
      for (unsigned k = children.length; k > 0; --k)
        pending.push_back(static_cast<const GumboNode*>(children.data[k - 1]));
    }
  });
  if (!found) found.emplace();  // an img tag the parser did not make an element of
  return found;
}

}  // namespace quorlin
