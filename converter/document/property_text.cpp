// A string property read as text, and as one line: line breaks and other control
// characters become spaces, end-of-string marks and outer spaces go.
#include "converter/document/property_text.h"

#include "converter/base/errors.h"
#include "converter/document/message_body.h"
#include "converter/text/code_page.h"

namespace quorlin {
namespace {

std::u16string OneLine(std::u16string text) {
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  for (char16_t& c : text)
    if (c < 0x20 || c == 0x7F) c = u' ';
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

}  // namespace

std::u16string PropertyText(const OutlookStorage& storage, std::string_view id, std::uint32_t code_page) {
  try {
    std::optional<PropertyElement> property = storage.FindPropertyElement(id);
    if (!property) return {};
    if (property->type == kTypeUnicode) return DecodeUtf16Le(storage.ReadPropertyStream(*property));
    if (property->type == kTypeString8) return DecodeText(storage.ReadPropertyStream(*property), code_page);
  } catch (const PropertyError&) {
    // An element of a type the reader refuses: the text is left out.
  }
  return {};
}

std::u16string PropertyLine(const OutlookStorage& storage, std::string_view id, std::uint32_t code_page) {
  return OneLine(PropertyText(storage, id, code_page));
}

}  // namespace quorlin
