// Layout of the header block. Every paragraph starts with \pard\plain so nothing of the
// document's own formatting leaks in, and the whole block is one group so nothing of it
// leaks out. Labels sit at a hanging indent so long recipient lists wrap under their
// values; the closing empty paragraph carries a bottom border, a rule in a word
// processor and an empty line in plain text.
#include "converter/document/header_block.h"

#include <algorithm>
#include <utility>

#include "converter/rtf/rtf_text.h"

namespace quorlin {
namespace {

constexpr std::string_view kHeading = "\\pard\\plain\\uc1\\outlinelevel0\\sa120\\b\\fs28 ";
// The label column: an inch, wider in steps of a quarter inch when a label needs it. A
// character of a bold 10-point label is taken as 125 twips wide (the widest common sans
// fonts stay below it), and a tab needs some room after the label.
constexpr std::size_t kNarrowestColumn = 1440;
constexpr std::size_t kColumnStep = 360;
constexpr std::size_t kLabelCharWidth = 125;
constexpr std::size_t kRoomAfterLabel = 144;
constexpr std::string_view kRule =
    "\\pard\\plain\\uc1\\brdrb\\brdrs\\brdrw10\\brsp40\\sa240\\fs20\\par\r\n";

std::string Line(std::size_t column) {
  const std::string width = std::to_string(column);
  return "\\pard\\plain\\uc1\\li" + width + "\\fi-" + width + "\\tx" + width + "\\fs20 ";
}

void AppendLine(std::string& out, std::string_view line, std::string_view label, std::u16string_view value) {
  if (value.empty()) return;
  out += line;
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
void AppendLinkedAttachments(std::string& out, std::string_view line, const HeaderFields& fields) {
  out += line;
  out += "{\\b Attachments:}\\tab ";
  for (std::size_t i = 0; i < fields.attachments.size(); ++i) {
    if (i > 0) out += "; ";
    const std::string link = i < fields.attachment_links.size() ? fields.attachment_links[i] : "";
    if (link.empty()) {
      AppendRtfText(out, fields.attachments[i]);
      continue;
    }
    out += "{\\field{\\*\\fldinst HYPERLINK \"" + link + "\"}{\\fldrslt {\\ul\\cf";
    out += kLinkColourMark;
    out += ' ';
    AppendRtfText(out, fields.attachments[i]);
    out += "}}}";
  }
  out += "\\par\r\n";
}

}  // namespace

std::string HeaderBlockRtf(const HeaderFields& fields) {
  std::vector<std::pair<std::string_view, std::u16string>> rows = {
      {"From:", Sender(fields)}, {"Sent:", fields.sent}, {"To:", fields.to}, {"Cc:", fields.cc}, {"Bcc:", fields.bcc}};
  for (const DetailLine& detail : fields.details) rows.emplace_back(detail.label, detail.value);
  std::size_t longest = 0;
  for (const auto& [label, value] : rows)
    if (!value.empty()) longest = std::max(longest, label.size());
  if (!fields.attachments.empty()) longest = std::max(longest, std::string_view("Attachments:").size());
  std::size_t column = kNarrowestColumn;
  while (column < longest * kLabelCharWidth + kRoomAfterLabel) column += kColumnStep;
  const std::string line = Line(column);

  std::string lines;
  if (!fields.subject.empty()) {
    lines += kHeading;
    AppendRtfText(lines, fields.subject);
    lines += "\\par\r\n";
  }
  for (const auto& [label, value] : rows) AppendLine(lines, line, label, value);
  bool linked = false;
  for (const std::string& link : fields.attachment_links) linked |= !link.empty();
  if (linked && !fields.attachments.empty())
    AppendLinkedAttachments(lines, line, fields);
  else
    AppendLine(lines, line, "Attachments:", Joined(fields.attachments));
  if (lines.empty()) return {};
  return "{" + lines + std::string(kRule) + "}";
}

}  // namespace quorlin
