// A Windows build made without gumbo's library (tools/windows.sh could not get its source):
// the HTML room compiles against gumbo's headers alone, and a body that needs parsing fails
// with a reason that says why, as a property the converter cannot read.
#include "converter/html/html_to_rtf_parse.h"

#include "converter/base/errors.h"

namespace quorlin {

HtmlParseLimits DefaultHtmlParseLimits(std::size_t html_size) {
  return {(std::size_t{48} << 20) + 2 * html_size, std::chrono::milliseconds(2000 + html_size / 4096)};
}

void ParseHtml(std::string_view, const HtmlParseLimits&, const std::function<void(const GumboNode&, bool)>&) {
  throw PropertyError("the HTML body cannot be read: this build of the converter has no HTML parser");
}

}  // namespace quorlin

// No tree is ever made, so no attribute is ever looked up.
extern "C" GumboAttribute* gumbo_get_attribute(const GumboVector*, const char*) { return nullptr; }
