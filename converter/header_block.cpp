// Layout of the header block. Every paragraph starts with \pard\plain so nothing of the
// document's own formatting leaks in, and the whole block is one group so nothing of it
// leaks out. Labels sit at a hanging indent so long recipient lists wrap under their
// values; the closing empty paragraph carries a bottom border, a rule in a word
// processor and an empty line in plain text.
#include "converter/header_block.h"

#include "converter/rtf_text.h"

namespace quorlin {
namespace {

constexpr std::string_view kHeading = "\\pard\\plain\\uc1\\outlinelevel0\\sa120\\b\\fs28 ";
constexpr std::string_view kLine = "\\pard\\plain\\uc1\\li1440\\fi-1440\\tx1440\\fs20 ";
constexpr std::string_view kRule =
    "\\pard\\plain\\uc1\\brdrb\\brdrs\\brdrw10\\brsp40\\sa240\\fs20\\par\r\n";

void AppendLine(std::string& out, std::string_view label, std::u16string_view value) {
  if (value.empty()) return;
  out += kLine;
  out += "{\\b ";
  out += label;
  out += "}\\tab ";
  AppendRtfText(out, value);
  out += "\\par\r\n";
}

std::u16string Sender(const HeaderFields& fields) {
  if (fields.sender_address.empty() || fields.sender_address == fields.sender_name)
    return fields.sender_name;
  if (fields.sender_name.empty()) return fields.sender_address;
  return fields.sender_name + u" <" + fields.sender_address + u">";
}

std::u16string Joined(const std::vector<std::u16string>& names) {
  std::u16string joined;
  for (const std::u16string& name : names) {
    if (!joined.empty()) joined += u"; ";
    joined += name;
  }
  return joined;
}

// The attachments' line when some were saved: each saved one's name is a link (a
// HYPERLINK field) to its file. Links are URL-escaped ASCII, so they need no RTF escapes.
void AppendLinkedAttachments(std::string& out, const HeaderFields& fields) {
  out += kLine;
  out += "{\\b Attachments:}\\tab ";
  for (std::size_t i = 0; i < fields.attachments.size(); ++i) {
    if (i > 0) out += "; ";
    const std::string link = i < fields.attachment_links.size() ? fields.attachment_links[i] : "";
    if (link.empty()) {
      AppendRtfText(out, fields.attachments[i]);
      continue;
    }
    out += "{\\field{\\*\\fldinst HYPERLINK \"" + link + "\"}{\\fldrslt ";
    AppendRtfText(out, fields.attachments[i]);
    out += "}}";
  }
  out += "\\par\r\n";
}

}  // namespace

std::string HeaderBlockRtf(const HeaderFields& fields) {
  std::string lines;
  if (!fields.subject.empty()) {
    lines += kHeading;
    AppendRtfText(lines, fields.subject);
    lines += "\\par\r\n";
  }
  AppendLine(lines, "From:", Sender(fields));
  AppendLine(lines, "Sent:", fields.sent);
  AppendLine(lines, "To:", fields.to);
  AppendLine(lines, "Cc:", fields.cc);
  AppendLine(lines, "Bcc:", fields.bcc);
  for (const DetailLine& detail : fields.details) AppendLine(lines, detail.label, detail.value);
  bool linked = false;
  for (const std::string& link : fields.attachment_links) linked |= !link.empty();
  if (linked && !fields.attachments.empty())
    AppendLinkedAttachments(lines, fields);
  else
    AppendLine(lines, "Attachments:", Joined(fields.attachments));
  if (lines.empty()) return {};
  return "{" + lines + std::string(kRule) + "}";
}

}  // namespace quorlin
