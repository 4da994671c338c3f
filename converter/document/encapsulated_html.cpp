// Taking the HTML out of a rich-text body that carries it. The body is read as RTF:
// groups with their states, control words with their parameters, control symbols, \'hh
// escapes, \uN characters with their fallbacks, and \binN data stepped over unread.
// What is copied into the HTML: the content of each {\*\htmltag ...} group, and the text
// outside them that is not in an \htmlrtf region (the RTF that only the RTF side shows),
// with \par and \line as line breaks and \tab as a tab. Every other destination group (the
// font and colour tables, pictures, field instructions, \mhtmltag copies) is left out.
#include "converter/document/encapsulated_html.h"

#include <algorithm>

#include "converter/rtf/clzf.h"
#include "converter/text/code_page.h"
#include "converter/base/errors.h"

namespace quorlin {
namespace {

bool IsLetter(std::uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

int HexValue(std::uint8_t c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

constexpr std::size_t kLongestWord = 32;

// Destinations written without "\*" whose content is no text of the document.
bool IsSkippedDestination(const std::string& word) {
  static constexpr std::string_view kWords[] = {
      "colortbl", "stylesheet", "info", "pict", "object", "header", "headerl", "headerr",
      "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "annotation",
      "listtable", "listoverridetable", "revtbl", "rsidtbl", "latentstyles", "datastore",
      "themedata", "colorschememapping", "generator", "xmlnstbl", "nonshppict", "fldinst",
      "filetbl", "pn", "pntext", "listtext", "author", "title", "subject", "operator"};
  return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

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
std::optional<char16_t> CharacterWord(const std::string& word) {
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

void EncapsulatedHtmlReader::ControlSymbol(std::uint8_t c) {
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

void EncapsulatedHtmlReader::EndWord() {
  state_ = State::kText;
  const long long parameter = negative_ ? -parameter_ : parameter_;
  const bool destination = destination_ != 0;
  const bool starred = destination_ == 2;
  destination_ = 0;
  Group& group = groups_.back();
  if (word_ == "bin") {
    if (parameter > 0) {
      state_ = State::kBinary;
      binary_left_ = static_cast<std::uint64_t>(parameter);
    }
    return;
  }
  if (destination && deeper_ == 0 && groups_.size() > 1) {
    if (word_ == "htmltag" && starred) {
      if (group.kind == Kind::kBody) group.kind = Kind::kTag;
      return;
    }
    if (word_ == "fonttbl") {
      group.kind = Kind::kFontTable;
      return;
    }
    if (starred || IsSkippedDestination(word_)) {
      group.kind = Kind::kSkip;
      return;
    }
  }
  if (word_ == "fromhtml") {
    if (!seen_text_) carries_html_ = !has_parameter_ || parameter != 0;
  } else if (word_ == "ansicpg") {
    if (parameter > 0 && parameter < 0x10000) code_page_ = static_cast<std::uint32_t>(parameter);
  } else if (word_ == "htmlrtf") {
    group.htmlrtf = !has_parameter_ || parameter != 0;
  } else if (word_ == "trowd") {
    if (group.kind == Kind::kBody) table_rows_ = true;
  } else if (word_ == "uc") {
    if (parameter >= 0 && parameter <= 16) group.skip_after_unicode = static_cast<int>(parameter);
  } else if (word_ == "u") {
    if (has_parameter_ || negative_) {
      const long long value = parameter < 0 ? parameter + 65536 : parameter;
      if (value >= 0 && value <= 0xFFFF) AddUnit(static_cast<char16_t>(value));
      unicode_skip_ = group.skip_after_unicode;
    }
  } else if (word_ == "f") {
    if (InFontTable()) {
      font_defined_ = parameter;
    } else if (group.kind != Kind::kSkip) {
      group.code_page = 0;
      for (const auto& [number, code_page] : font_code_pages_)
        if (number == parameter) group.code_page = code_page;
    }
  } else if (word_ == "fcharset" || word_ == "cpg") {
    if (font_defined_ && InFontTable() && font_code_pages_.size() < 4096) {
      std::optional<std::uint32_t> code_page = word_ == "cpg" && parameter > 0 && parameter < 0x10000
                                                    ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(parameter))
                                                    : word_ == "fcharset" ? CharsetCodePage(parameter) : std::nullopt;
      if (code_page) font_code_pages_.emplace_back(*font_defined_, *code_page);
    }
  } else if (unicode_skip_ > 0) {
    --unicode_skip_;
  } else if (word_ == "par" || word_ == "line") {
    AddUnit(u'\r');
    AddUnit(u'\n');
  } else if (word_ == "tab") {
    AddUnit(u'\t');
  } else if (std::optional<char16_t> character = CharacterWord(word_)) {
    AddUnit(*character);
  }
}

void EncapsulatedHtmlReader::Write(std::span<const std::uint8_t> bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::uint8_t c = bytes[i];
    switch (state_) {
      case State::kBinary: {
        const std::size_t skip =
            static_cast<std::size_t>(std::min<std::uint64_t>(binary_left_, bytes.size() - i));
        i += skip;
        binary_left_ -= skip;
        if (binary_left_ == 0) state_ = State::kText;
        break;
      }
      case State::kText:
        ++i;
        if (c == '{') {
          OpenGroup();
          destination_ = 1;
        } else if (c == '}') {
          CloseGroup();
          destination_ = 0;
        } else if (c == '\\') {
          state_ = State::kEscape;
        } else if (c != '\r' && c != '\n') {
          destination_ = 0;
          TextByte(c);
        }
        break;
      case State::kEscape:
        ++i;
        if (IsLetter(c)) {
          word_.assign(1, static_cast<char>(c));
          parameter_ = 0;
          negative_ = has_parameter_ = false;
          state_ = State::kWord;
        } else if (c == '\'') {
          state_ = State::kHex1;
        } else if (c == '*') {
          state_ = State::kText;
          destination_ = destination_ == 1 ? 2 : 0;
        } else {
          state_ = State::kText;
          destination_ = 0;
          ControlSymbol(c);
        }
        break;
      case State::kWord:
        if (IsLetter(c)) {
          if (word_.size() < kLongestWord) word_ += static_cast<char>(c);
          ++i;
        } else if (IsDigit(c) || c == '-') {
          negative_ = c == '-';
          parameter_ = negative_ ? 0 : c - '0';
          has_parameter_ = !negative_;
          state_ = State::kParameter;
          ++i;
        } else {
          if (c == ' ') ++i;
          EndWord();
        }
        break;
      case State::kParameter:
        if (IsDigit(c)) {
          if (parameter_ < 1'000'000'000'000) parameter_ = parameter_ * 10 + (c - '0');
          has_parameter_ = true;
          ++i;
        } else {
          if (c == ' ') ++i;
          EndWord();
        }
        break;
      case State::kHex1:
        hex_value_ = HexValue(c);
        state_ = State::kHex2;
        ++i;
        break;
      case State::kHex2:
        state_ = State::kText;
        destination_ = 0;
        ++i;
        TextByte(static_cast<std::uint8_t>(hex_value_ * 16 + HexValue(c)));
        break;
    }
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
