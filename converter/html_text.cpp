// The readable text of an HTML body, read the way a browser shows it: tags dropped,
// block elements on lines of their own, whitespace collapsed outside <pre>, the head,
// scripts and styles left out. One forward pass; nothing is ever scanned twice, so the
// work stays linear however broken the markup, and the text is written over the markup
// already read, so a large body needs no second buffer.
#include <algorithm>
#include <string>

#include "converter/html_entities.h"
#include "converter/html_text.h"

namespace quorlin {
namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}
bool IsAsciiAlpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsAsciiAlnum(char16_t c) { return IsAsciiAlpha(c) || (c >= u'0' && c <= u'9'); }
char ToLowerAscii(char16_t c) {
  if (c > 0x7F) return '\0';  // matches no tag name
  return static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
}

bool IsParagraph(std::string_view tag) {
  return tag == "p" || (tag.size() == 2 && tag[0] == 'h' && tag[1] >= '1' && tag[1] <= '6');
}

bool IsBlock(std::string_view tag) {
  static constexpr std::string_view kBlocks[] = {
      "address", "article", "aside",  "blockquote", "body",   "caption", "center",
      "dd",      "div",     "dl",     "dt",         "fieldset", "figcaption", "figure",
      "footer",  "form",    "header", "hr",         "html",   "li",      "main",
      "nav",     "ol",      "pre",    "section",    "table",  "tr",      "ul"};
  return std::find(std::begin(kBlocks), std::end(kBlocks), tag) != std::end(kBlocks);
}

// Elements whose content is not text to show: skipped up to their closing tag.
bool IsRawSkipped(std::string_view tag) {
  return tag == "script" || tag == "style" || tag == "title";
}

// Where the text goes: over the HTML already read. The text never takes more room than
// the markup it came from (a tag or an entity gives at most as many characters as it
// has), so no second buffer of the body's size is needed; should the writing ever catch
// up with the reading, the text moves to a buffer of its own and goes on there.
class TextOutput {
 public:
  TextOutput(std::u16string& html, const std::size_t& read) : html_(html), read_(read) {}

  bool empty() const { return size() == 0; }
  std::size_t size() const { return spilled_ ? own_.size() : size_; }
  char16_t operator[](std::size_t i) const { return spilled_ ? own_[i] : html_[i]; }
  char16_t back() const { return (*this)[size() - 1]; }

  void push_back(char16_t c) {
    if (!spilled_ && size_ < read_) {
      html_[size_++] = c;
      return;
    }
    if (!spilled_) {
      own_.assign(html_, 0, size_);
      spilled_ = true;
    }
    own_.push_back(c);
  }

  std::u16string Take() {
    if (spilled_) return std::move(own_);
    html_.resize(size_);
    return std::move(html_);
  }

 private:
  std::u16string& html_;
  const std::size_t& read_;  // how far the reader has come: writing stays behind it
  std::size_t size_ = 0;
  bool spilled_ = false;
  std::u16string own_;
};

// Collects the text with its line structure. Breaks are owed rather than written at once,
// so that nested blocks and paragraph margins never pile up blank lines.
class TextBuilder {
 public:
  explicit TextBuilder(TextOutput& out) : out_(out) {}

  void Char(char16_t c) {
    if (in_head_) {
      if (IsSpace(c)) return;
      in_head_ = false;  // text in the head starts the body, as a browser reads it
    }
    if (pre_depth_ == 0 && IsSpace(c)) {
      pending_space_ = true;
      return;
    }
    if (pre_depth_ > 0 && (c == u'\r' || c == u'\n')) {
      const bool second_half = c == u'\n' && last_was_cr_;
      last_was_cr_ = c == u'\r';
      // A line break straight after <pre> only separates the tag from its text.
      if (!second_half && !skip_newline_) NewLine();
      if (c == u'\n') skip_newline_ = false;
      return;
    }
    last_was_cr_ = false;
    skip_newline_ = false;
    WriteOwedBreaks();
    if (pending_space_ && !out_.empty() && out_.back() != u'\n') out_.push_back(u' ');
    pending_space_ = false;
    out_.push_back(c);
  }

  // A block boundary: the text goes on at the start of a line, after a blank line when
  // `blank_line` is set.
  void Break(bool blank_line) {
    if (in_head_) return;
    owed_breaks_ = std::max(owed_breaks_, blank_line ? 2 : 1);
    pending_space_ = false;
  }

  // A <br>: always a line of its own, even an empty one.
  void NewLine() {
    if (in_head_) return;
    WriteOwedBreaks();
    out_.push_back(u'\n');
    pending_space_ = false;
  }

  // A table cell after the first in its row is set off by a tab.
  void Cell() {
    if (in_head_ || owed_breaks_ > 0 || out_.empty() || out_.back() == u'\n') return;
    out_.push_back(u'\t');
    pending_space_ = false;
  }

  void EnterPre() {
    ++pre_depth_;
    skip_newline_ = true;
  }
  void LeavePre() { pre_depth_ = std::max(0, pre_depth_ - 1); }
  void SetInHead(bool in_head) { in_head_ = in_head; }

  // The text without leading and trailing breaks, trimmed in place rather than copied.
  std::u16string Take() {
    std::u16string text = out_.Take();
    const std::size_t first = text.find_first_not_of(u'\n');
    if (first == std::u16string::npos) return {};
    const std::size_t last = text.find_last_not_of(u"\n \t");
    text.resize(last + 1);
    text.erase(0, first);
    return text;
  }

 private:
  void WriteOwedBreaks() {
    if (owed_breaks_ == 0) return;
    if (!out_.empty()) {
      int have = 0;
      for (std::size_t k = out_.size(); k > 0 && out_[k - 1] == u'\n' && have < 2; --k) ++have;
      for (int i = have; i < owed_breaks_; ++i) out_.push_back(u'\n');
    }
    owed_breaks_ = 0;
  }

  TextOutput& out_;
  int owed_breaks_ = 0;
  bool pending_space_ = false;
  bool last_was_cr_ = false;
  bool skip_newline_ = false;
  int pre_depth_ = 0;
  bool in_head_ = false;
};

// Index of the closing tag "</name" (any case) at or after `from`, or npos.
std::size_t FindClosingTag(std::u16string_view html, std::size_t from, std::string_view name) {
  for (std::size_t at = html.find(u"</", from); at != std::u16string_view::npos;
       at = html.find(u"</", at + 2)) {
    std::size_t k = 0;
    while (k < name.size() && at + 2 + k < html.size() && ToLowerAscii(html[at + 2 + k]) == name[k])
      ++k;
    const std::size_t after = at + 2 + k;
    if (k == name.size() && (after >= html.size() || !IsAsciiAlnum(html[after]))) return at;
  }
  return std::u16string_view::npos;
}

// Index just past the '>' that ends a tag whose name ended at `from`, or npos when the
// input ends first. Quoted attribute values may hold '>'.
std::size_t FindTagEnd(std::u16string_view html, std::size_t from) {
  char16_t last_seen = 0;
  for (std::size_t j = from; j < html.size(); ++j) {
    const char16_t c = html[j];
    if (c == u'>') return j + 1;
    if ((c == u'"' || c == u'\'') && last_seen == u'=') {
      j = html.find(c, j + 1);
      if (j == std::u16string_view::npos) return j;
    }
    if (!IsSpace(c)) last_seen = c;
  }
  return std::u16string_view::npos;
}

bool BelongsInHead(std::string_view tag) {
  return tag == "head" || tag == "title" || tag == "meta" || tag == "link" || tag == "style" ||
         tag == "script" || tag == "base" || tag == "noscript";
}

void HandleTag(TextBuilder& text, std::string_view tag, bool closing) {
  if (tag == "head") {
    text.SetInHead(!closing);
    return;
  }
  if (!BelongsInHead(tag)) text.SetInHead(false);  // the body has begun, said or not
  if (tag == "br") {
    text.NewLine();  // "</br>" too, as browsers read it
  } else if (tag == "td" || tag == "th") {
    if (!closing) text.Cell();
  } else if (IsParagraph(tag)) {
    text.Break(true);
  } else if (IsBlock(tag)) {
    text.Break(false);
    if (tag == "pre") closing ? text.LeavePre() : text.EnterPre();
  }
}

}  // namespace

std::u16string HtmlToText(std::u16string html_text) {
  constexpr std::size_t npos = std::u16string_view::npos;
  const std::u16string_view html(html_text);
  std::size_t i = 0;  // the read position
  TextOutput output(html_text, i);
  TextBuilder text(output);
  std::u16string decoded;
  const std::size_t n = html.size();
  while (i < n) {
    const char16_t c = html[i];
    if (c == u'&') {
      decoded.clear();
      const std::size_t next = DecodeHtmlEntity(html, i, decoded);
      if (next == i) decoded.push_back(c);
      i = next == i ? i + 1 : next;  // read past it before its text is written
      for (char16_t d : decoded) text.Char(d);
      continue;
    }
    const char16_t d = i + 1 < n ? html[i + 1] : u'\0';
    const bool closing = d == u'/';
    if (c != u'<' || !(IsAsciiAlpha(d) || closing || d == u'!' || d == u'?')) {
      ++i;
      text.Char(c);  // including a '<' that starts no tag, as in "a < b"
      continue;
    }
    if (html.substr(i, 4) == u"<!--") {
      const std::size_t end = html.find(u"-->", i + 2);
      i = end == npos ? n : end + 3;
      continue;
    }
    if (d == u'!' || d == u'?' || (closing && !(i + 2 < n && IsAsciiAlpha(html[i + 2])))) {
      // Declarations, processing instructions and malformed closing tags: dropped.
      const std::size_t end = html.find(u'>', i + 1);
      i = end == npos ? n : end + 1;
      continue;
    }
    std::string tag;
    std::size_t j = i + (closing ? 2 : 1);
    for (; j < n && IsAsciiAlnum(html[j]); ++j)
      if (tag.size() < 16) tag.push_back(ToLowerAscii(html[j]));
    const std::size_t end = FindTagEnd(html, j);
    if (end == npos) break;  // a tag cut off by the end of the input hides the rest
    i = end;
    HandleTag(text, tag, closing);
    if (!closing && IsRawSkipped(tag)) {
      const std::size_t close = FindClosingTag(html, i, tag);
      i = close == npos ? n : close;
    }
  }
  return text.Take();
}

}  // namespace quorlin
