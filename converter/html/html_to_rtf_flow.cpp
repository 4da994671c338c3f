// The RTF document an HTML body becomes, written as the walk goes. Breaks are owed rather
// than written at once, so that nested blocks and paragraph margins never pile up blank
// lines; a paragraph's "\pard" and its format are written when its first content comes.
#include "converter/html/html_to_rtf_flow.h"

#include <algorithm>

namespace quorlin {
namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;

bool IsHtmlSpace(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == U'\f';
}

void AppendNumber(std::string& out, const char* word, long number) {
  out += word;
  out += std::to_string(number);
}

void AppendUnicode(std::string& out, char32_t unit) {
  AppendNumber(out, "\\u", static_cast<std::int16_t>(static_cast<std::uint16_t>(unit)));
  out += '?';
}

// The next code point of `text` from `i`, which it moves past it; a byte that starts no
// valid UTF-8 sequence is one U+FFFD.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                             : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || text.size() - i < length) {
    ++i;
    return 0xFFFD;
  }
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  i += length;
  return code;
}

}  // namespace

void RtfFlow::Begin(std::span<const std::uint32_t> colors, std::string_view opening,
                    std::string_view page_words) {
  out_ +=
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
      "{\\f1\\fmodern\\fcharset0 Courier New;}}";
  if (!colors.empty()) {
    out_ += "{\\colortbl;";
    for (std::uint32_t rgb : colors) {
      AppendNumber(out_, "\\red", (rgb >> 16) & 0xFF);
      AppendNumber(out_, "\\green", (rgb >> 8) & 0xFF);
      AppendNumber(out_, "\\blue", rgb & 0xFF);
      out_ += ';';
    }
    out_ += '}';
  }
  out_ += page_words;
  out_ += "\r\n\\pard\\plain\\f0\\fs20 ";
  out_ += opening;
  MaybeFlush();
}

void RtfFlow::End() {
  CloseField();
  if (in_row_) EndRow();
  out_ += '}';
  Flush();
}

void RtfFlow::Text(std::string_view utf8, const CharFormat& format, bool preformatted) {
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t c = NextCodePoint(utf8, i);
    if (!preformatted && IsHtmlSpace(c)) {
      pending_space_ = true;
      continue;
    }
    if (c == U'\r') continue;
    if (c == U'\n') {
      LineBreak(format);
      continue;
    }
    if ((c < 0x20 && c != U'\t') || (c >= 0x7F && c <= 0x9F)) continue;  // no place in a document
    StartContent(format);
    if (c == U'\t') {
      out_ += "\\tab ";
    } else {
      WriteCodePoint(c);
    }
    MaybeFlush();
  }
}

void RtfFlow::Break(bool blank_line) {
  owed_breaks_ = std::max(owed_breaks_, blank_line ? 2 : 1);
  pending_space_ = false;
}

void RtfFlow::LineBreak(const CharFormat& format) {
  WriteOwedBreaks();
  pending_space_ = false;
  if (!paragraph_open_) StartParagraph();
  if (!(format == written_)) WriteFormat(format);  // the empty line is as tall as its text
  EndParagraph();
  has_content_ = true;
  MaybeFlush();
}

void RtfFlow::Tab() {
  if (owed_breaks_ > 0 || line_empty_) return;
  pending_space_ = false;
  out_ += "\\tab ";
}

void RtfFlow::ListMarker(std::u16string marker, const CharFormat& format) {
  if (!marker_.empty()) {  // an item whose first content is another item: its marker alone
    FinishListItem();
    EndParagraph();
  }
  marker_ = std::move(marker);
  marker_format_ = format;
  marker_para_ = para_;
}

void RtfFlow::FinishListItem() {
  if (marker_.empty()) return;
  WriteOwedBreaks();
  StartParagraph();
  has_content_ = true;
  MaybeFlush();
}

void RtfFlow::BeginLink(std::string target) {
  CloseField();
  link_ = std::move(target);
}

void RtfFlow::EndLink() {
  CloseField();
  link_.clear();
}

void RtfFlow::BeginRow(std::span<const int> right_edges, std::span<const int> shading, bool borders) {
  if (right_edges.empty()) return;
  if (in_row_) EndRow();
  CloseField();
  FinishListItem();
  WriteOwedBreaks();
  if (paragraph_open_) EndParagraph();
  out_ += "\\trowd\\trgaph108\\trleft0";
  for (std::size_t i = 0; i < right_edges.size(); ++i) {
    const int edge = right_edges[i];
    if (i < shading.size() && shading[i] > 0) AppendNumber(out_, "\\clcbpat", shading[i]);
    if (borders)
      out_ += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
              "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
    AppendNumber(out_, "\\cellx", edge);
  }
  out_ += "\r\n";
  in_row_ = true;
  cells_ = right_edges.size();
  cells_closed_ = 0;
  cells_begun_ = 0;
  ResetLine();
  MaybeFlush();
}

void RtfFlow::BeginCell() {
  if (in_row_ && ++cells_begun_ > cells_) Tab();  // past the row's last cell: it joins that one
}

void RtfFlow::EndCell() {
  if (in_row_ && cells_begun_ < cells_) CloseCell();  // the last one is closed with the row
}

void RtfFlow::EndRow() {
  if (!in_row_) return;
  while (cells_closed_ < cells_) CloseCell();
  out_ += "\\row\r\n\\pard\r\n";
  in_row_ = false;
  ResetLine();
  has_content_ = true;
  newlines_ = 1;
  MaybeFlush();
}

ByteSink& RtfFlow::PlaceForPicture(const CharFormat& format) {
  StartContent(format);
  Flush();
  return sink_;
}

void RtfFlow::StartContent(const CharFormat& format) {
  WriteOwedBreaks();
  const bool space = pending_space_ && !line_empty_;
  pending_space_ = false;
  if (!paragraph_open_) StartParagraph();
  if (space) out_ += ' ';
  if (!link_.empty() && !field_open_) OpenField();
  if (!(format == written_)) WriteFormat(format);
  line_empty_ = false;
  has_content_ = true;
  newlines_ = 0;
}

void RtfFlow::StartParagraph() {
  const bool marker = !marker_.empty();
  const ParaFormat& format = marker ? marker_para_ : para_;
  out_ += in_row_ ? "\\pard\\intbl" : "\\pard";
  if (marker) out_ += "\\fi-360";
  if (format.left_twips > 0) AppendNumber(out_, "\\li", format.left_twips);
  if (marker) AppendNumber(out_, "\\tx", std::max(format.left_twips, 360));
  static constexpr const char* kAlign[] = {"", "\\qc", "\\qr", "\\qj"};
  out_ += kAlign[static_cast<int>(format.align)];
  out_ += ' ';
  paragraph_open_ = true;
  if (!marker) return;
  if (!(marker_format_ == written_)) WriteFormat(marker_format_);
  for (char16_t c : marker_) WriteCodePoint(c);
  out_ += "\\tab ";
  marker_.clear();
  line_empty_ = false;
  newlines_ = 0;
}

void RtfFlow::WriteOwedBreaks() {
  if (owed_breaks_ == 0) return;
  if (has_content_)
    for (int i = newlines_; i < owed_breaks_; ++i) EndParagraph();
  owed_breaks_ = 0;
}

void RtfFlow::EndParagraph() {
  CloseField();
  out_ += "\\par\r\n";
  paragraph_open_ = false;
  line_empty_ = true;
  pending_space_ = false;
  ++newlines_;
}

void RtfFlow::CloseCell() {
  CloseField();
  if (!paragraph_open_) StartParagraph();
  out_ += "\\cell ";
  ++cells_closed_;
  ResetLine();
}

void RtfFlow::ResetLine() {
  paragraph_open_ = false;
  has_content_ = false;
  line_empty_ = true;
  pending_space_ = false;
  newlines_ = 0;
  owed_breaks_ = 0;
}

void RtfFlow::WriteFormat(const CharFormat& format) {
  if (format.bold != written_.bold) out_ += format.bold ? "\\b" : "\\b0";
  if (format.italic != written_.italic) out_ += format.italic ? "\\i" : "\\i0";
  if (format.underline != written_.underline) out_ += format.underline ? "\\ul" : "\\ulnone";
  if (format.strike != written_.strike) out_ += format.strike ? "\\strike" : "\\strike0";
  if (format.mono != written_.mono) out_ += format.mono ? "\\f1" : "\\f0";
  if (format.color != written_.color) AppendNumber(out_, "\\cf", format.color);
  if (format.half_points != written_.half_points) AppendNumber(out_, "\\fs", format.half_points);
  out_ += ' ';
  written_ = format;
}

void RtfFlow::WriteCodePoint(char32_t c) {
  if (c == U'\\' || c == U'{' || c == U'}') {
    out_ += '\\';
    out_ += static_cast<char>(c);
  } else if (c >= 0x20 && c < 0x7F) {
    out_ += static_cast<char>(c);
  } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
    // Control characters have no place in a document.
  } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
    AppendUnicode(out_, 0xFFFD);
  } else if (c > 0xFFFF) {
    AppendUnicode(out_, 0xD800 + ((c - 0x10000) >> 10));  // both halves of the pair
    AppendUnicode(out_, 0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    AppendUnicode(out_, c);
  }
}

void RtfFlow::OpenField() {
  before_field_ = written_;
  out_ += "{\\field{\\*\\fldinst HYPERLINK \"";
  out_ += link_;
  out_ += "\"}{\\fldrslt ";
  field_open_ = true;
}

void RtfFlow::CloseField() {
  if (!field_open_) return;
  out_ += "}}";
  written_ = before_field_;  // what the field's groups set ends with them
  field_open_ = false;
}

void RtfFlow::MaybeFlush() {
  if (out_.size() >= kPieceBytes) Flush();
}

void RtfFlow::Flush() {
  if (out_.empty()) return;
  sink_.Write({reinterpret_cast<const std::uint8_t*>(out_.data()), out_.size()});
  out_.clear();
}

}  // namespace quorlin
