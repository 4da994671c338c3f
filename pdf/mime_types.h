// The MIME type an associated file is declared with (/Subtype of its embedded file
// stream), from its name's extension; application/octet-stream when the name says nothing.
#pragma once

#include <string>
#include <string_view>

namespace lorvane_pdf {

std::string MimeTypeForName(std::string_view name);

}  // namespace lorvane_pdf
