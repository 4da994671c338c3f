// Taking the HTML out of a rich-text body that carries it. The body is read with the RTF
// scanner: groups with their states, control words with their parameters, control
// symbols, \'hh escapes, \uN characters with their fallbacks, and \binN data stepped
// over unread.
// What is copied into the HTML: the content of each {\*\htmltag ...} group, and the text
// outside them that is not in an \htmlrtf region (the RTF that only the RTF side shows),
// with \par and \line as line breaks and \tab as a tab. Every other destination group (the
// font and colour tables, pictures, field instructions, \mhtmltag copies) is left out.
#include "converter/rtf/encapsulated_html.h"

#include "converter/rtf/clzf.h"
#include "converter/text/code_page.h"
#include "converter/base/errors.h"

namespace quorlin {
namespace {

// Destinations written without "\*" whose content is no text of the document (the font
// table is read for its fonts' code pages, so it is not among them).
constexpr std::string_view kSkippedDestinations[] = {
    "colortbl", "stylesheet", "info", "pict", "object", "header", "headerl", "headerr",
    "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "annotation",
    "listtable", "listoverridetable", "revtbl", "rsidtbl", "latentstyles", "datastore",
    "themedata", "colorschememapping", "generator", "xmlnstbl", "nonshppict", "fldinst",
    "filetbl", "pn", "pntext", "listtext", "author", "title", "subject", "operator"};

// The code page of a font's character set (\fcharsetN); nothing for the document's own.
std::optional<std::uint32_t> CharsetCodePage(long long charset) {
  switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return std::nullopt;
  }
}

// Words that stand for one character.
std::optional<char16_t> CharacterWord(std::string_view word) {
  if (word == "lquote") return u'\u2018';
  if (word == "rquote") return u'\u2019';
  if (word == "ldblquote") return u'\u201C';
  if (word == "rdblquote") return u'\u201D';
  if (word == "bullet") return u'\u2022';
  if (word == "endash") return u'\u2013';
  if (word == "emdash") return u'\u2014';
  if (word == "enspace") return u'\u2002';
  if (word == "emspace") return u'\u2003';
  if (word == "qmspace") return u'\u2005';
  return std::nullopt;
}

// Stops the decoding once nothing more can change the outcome.
struct Settled {};

class SettlingReader : public EncapsulatedHtmlReader {
 public:
  using EncapsulatedHtmlReader::EncapsulatedHtmlReader;
  void Write(std::span<const std::uint8_t> bytes) override {
    EncapsulatedHtmlReader::Write(bytes);
    if (settled()) throw Settled{};
  }
};

}  // namespace

EncapsulatedHtmlReader::EncapsulatedHtmlReader(std::size_t most_units)
    : scanner_(kSkippedDestinations), most_units_(most_units) {}

void EncapsulatedHtmlReader::Write(std::span<const std::uint8_t> bytes) { scanner_.Feed(bytes, *this); }

std::u16string EncapsulatedHtmlReader::TakeHtml() {
  FlushBytes();
  return std::move(html_);
}

bool EncapsulatedHtmlReader::InFontTable() const {
  // The table itself, or one font's group inside it.
  return groups_.back().kind == Kind::kFontTable ||
         (groups_.size() >= 2 && groups_[groups_.size() - 2].kind == Kind::kFontTable);
}

bool EncapsulatedHtmlReader::Copying() const {
  const Group& group = groups_.back();
  return (group.kind == Kind::kBody || group.kind == Kind::kTag) && !group.htmlrtf;
}

std::uint32_t EncapsulatedHtmlReader::ByteCodePage() const {
  const Group& group = groups_.back();
  return group.kind == Kind::kTag || group.code_page == 0 ? code_page_ : group.code_page;
}

void EncapsulatedHtmlReader::FlushBytes() {
  if (bytes_.empty()) return;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes_.data());
  html_ += DecodeCodePage({data, bytes_.size()}, bytes_code_page_);
  bytes_.clear();
}

void EncapsulatedHtmlReader::AddByte(std::uint8_t byte) {
  if (unicode_skip_ > 0) {
    --unicode_skip_;
    return;
  }
  if (!Copying()) return;
  const std::uint32_t code_page = ByteCodePage();
  if (!bytes_.empty() && code_page != bytes_code_page_) FlushBytes();
  bytes_code_page_ = code_page;
  if (too_long_ || html_.size() + bytes_.size() >= most_units_) {
    too_long_ = true;
    return;
  }
  bytes_ += static_cast<char>(byte);
  // Decoded in pieces, cut only after a line break so no character is split.
  if (bytes_.size() >= 64 * 1024 && (byte == '\n' || byte == '>')) FlushBytes();
}

void EncapsulatedHtmlReader::AddUnit(char16_t unit) {
  if (!Copying()) return;
  FlushBytes();
  if (too_long_ || html_.size() >= most_units_) {
    too_long_ = true;
    return;
  }
  html_ += unit;
}

void EncapsulatedHtmlReader::OpenGroup() {
  unicode_skip_ = 0;
  if (groups_.size() >= kMostDepth) {
    ++deeper_;
    return;
  }
  Group inner = groups_.back();
  if (inner.kind == Kind::kFontTable) inner.kind = Kind::kSkip;  // one font's definition
  groups_.push_back(inner);
}

void EncapsulatedHtmlReader::CloseGroup() {
  unicode_skip_ = 0;
  if (deeper_ > 0) {
    --deeper_;
    return;
  }
  if (groups_.size() > 1) groups_.pop_back();
}

void EncapsulatedHtmlReader::TextByte(std::uint8_t c) {
  if (groups_.back().kind == Kind::kBody && !groups_.back().htmlrtf) seen_text_ = true;
  AddByte(c);
}

void EncapsulatedHtmlReader::Text(std::span<const std::uint8_t> run) {
  // A run goes in whole when it is copied in one code page, well within the limit and the
  // piece size; otherwise, and for the fallback bytes still to drop, a byte at a time.
  while (!run.empty() && unicode_skip_ > 0) {
    TextByte(run.front());
    run = run.subspan(1);
  }
  if (run.empty()) return;
  const std::size_t held = html_.size() + bytes_.size();
  const bool whole = !too_long_ && held + run.size() < most_units_ && bytes_.size() + run.size() < 64 * 1024;
  if (!whole) {
    for (const std::uint8_t c : run) TextByte(c);
    return;
  }
  if (groups_.back().kind == Kind::kBody && !groups_.back().htmlrtf) seen_text_ = true;
  if (!Copying()) return;
  const std::uint32_t code_page = ByteCodePage();
  if (!bytes_.empty() && code_page != bytes_code_page_) FlushBytes();
  bytes_code_page_ = code_page;
  bytes_.append(reinterpret_cast<const char*>(run.data()), run.size());
}

void EncapsulatedHtmlReader::HexByte(std::uint8_t byte) { TextByte(byte); }

void EncapsulatedHtmlReader::Symbol(std::uint8_t c) {
  if (unicode_skip_ > 0) {
    --unicode_skip_;
    return;
  }
  switch (c) {
    case '\\': case '{': case '}': AddByte(c); break;
    case '~': AddUnit(u'\u00A0'); break;
    case '_': AddUnit(u'\u2011'); break;
    case '\r': case '\n': AddUnit(u'\r'); AddUnit(u'\n'); break;
    case '\t': AddUnit(u'\t'); break;
    default: break;  // \- and the others show nothing
  }
}

void EncapsulatedHtmlReader::Word(const RtfWord& word) {
  const std::string_view name = word.name;
  const long long parameter = word.parameter;
  Group& group = groups_.back();
  if (name == "bin") return;  // its data is stepped over by the scanner
  if ((word.group_start || word.starred) && deeper_ == 0 && groups_.size() > 1) {
    if (name == "htmltag" && word.starred) {
      if (group.kind == Kind::kBody) group.kind = Kind::kTag;
      return;
    }
    if (name == "fonttbl") {
      group.kind = Kind::kFontTable;
      return;
    }
    if (word.hides) {
      group.kind = Kind::kSkip;
      return;
    }
  }
  if (name == "fromhtml") {
    if (!seen_text_) carries_html_ = !word.has_parameter || parameter != 0;
  } else if (name == "ansicpg") {
    if (parameter > 0 && parameter < 0x10000) code_page_ = static_cast<std::uint32_t>(parameter);
  } else if (name == "htmlrtf") {
    group.htmlrtf = !word.has_parameter || parameter != 0;
  } else if (name == "trowd") {
    if (group.kind == Kind::kBody) table_rows_ = true;
  } else if (name == "uc") {
    if (parameter >= 0 && parameter <= 16) group.skip_after_unicode = static_cast<int>(parameter);
  } else if (name == "u") {
    if (word.has_parameter || word.negative) {
      const long long value = parameter < 0 ? parameter + 65536 : parameter;
      if (value >= 0 && value <= 0xFFFF) AddUnit(static_cast<char16_t>(value));
      unicode_skip_ = group.skip_after_unicode;
    }
  } else if (name == "f") {
    if (InFontTable()) {
      font_defined_ = parameter;
    } else if (group.kind != Kind::kSkip) {
      group.code_page = 0;
      for (const auto& [number, code_page] : font_code_pages_)
        if (number == parameter) group.code_page = code_page;
    }
  } else if (name == "fcharset" || name == "cpg") {
    if (font_defined_ && InFontTable() && font_code_pages_.size() < 4096) {
      std::optional<std::uint32_t> code_page = name == "cpg" && parameter > 0 && parameter < 0x10000
                                                    ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(parameter))
                                                    : name == "fcharset" ? CharsetCodePage(parameter) : std::nullopt;
      if (code_page) font_code_pages_.emplace_back(*font_defined_, *code_page);
    }
  } else if (unicode_skip_ > 0) {
    --unicode_skip_;
  } else if (name == "par" || name == "line") {
    AddUnit(u'\r');
    AddUnit(u'\n');
  } else if (name == "tab") {
    AddUnit(u'\t');
  } else if (std::optional<char16_t> character = CharacterWord(name)) {
    AddUnit(*character);
  }
}

bool HtmlHasTable(std::u16string_view html) {
  static constexpr std::u16string_view kTag = u"<table";
  for (std::size_t at = html.find(u'<'); at != std::u16string_view::npos; at = html.find(u'<', at + 1)) {
    if (html.size() - at <= kTag.size()) return false;
    bool same = true;
    for (std::size_t k = 1; k < kTag.size() && same; ++k) {
      char16_t c = html[at + k];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
      same = c == kTag[k];
    }
    const char16_t next = html[at + kTag.size()];
    if (same && (next == u'>' || next == u'/' || next == u' ' || next == u'\t' || next == u'\r' ||
                 next == u'\n' || next == u'\f'))
      return true;
  }
  return false;
}

std::optional<std::u16string> TableHtmlOfRtfBody(std::span<const std::uint8_t> compressed) {
  SettlingReader reader(compressed.size() + (std::size_t{8} << 20));
  try {
    CLZF::decompressRTF(compressed, reader);
  } catch (const Settled&) {
    return std::nullopt;
  } catch (const DecodeError&) {
    return std::nullopt;
  }
  if (!reader.carries_html() || reader.has_table_rows() || reader.too_long()) return std::nullopt;
  std::u16string html = reader.TakeHtml();
  if (!HtmlHasTable(html)) return std::nullopt;
  return html;
}

}  // namespace quorlin
