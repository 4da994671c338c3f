// A walk over the top level of an RTF document. Groups whose destination is part of the
// header (tables, style sheet, information, page headers and footers, and every "\*"
// destination, which includes the HTML tags of a body that carries HTML) are stepped
// over whole; so are control words that only set formatting. The walk stops at the first
// thing a reader shows: text, a control word or symbol that produces a character, or any
// other group. Formatting words stepped over are harmless to what is inserted, because
// the inserted group resets paragraph and character formatting for itself and the group's
// end restores the document's own.
#include "converter/rtf/rtf_insertion.h"

#include <algorithm>

#include "converter/rtf/link_colour.h"

namespace quorlin {
namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Destinations, written without "\*", that hold no body text.
constexpr std::string_view kHeaderDestinations[] = {
    "fonttbl",   "colortbl",  "stylesheet", "info",     "listtable", "listoverridetable",
    "revtbl",    "rsidtbl",   "filetbl",    "pgdsctbl", "header",    "headerl",
    "headerr",   "headerf",   "footer",     "footerl",  "footerr",   "footerf",
    "ftnsep",    "ftnsepc",   "ftncn",      "aftnsep",  "aftnsepc",  "aftncn",
    "pnseclvl"};

// Control words that put a character, a break or an object into the text.
constexpr std::string_view kVisibleWords[] = {
    "par",     "line",     "tab",      "sect",     "page",     "column",   "cell",
    "row",     "nestcell", "nestrow",  "lbr",      "bullet",   "emdash",   "endash",
    "emspace", "enspace",  "qmspace",  "lquote",   "rquote",   "ldblquote", "rdblquote",
    "zwj",     "zwnj",     "zwbo",     "zwnbo",    "ltrmark",  "rtlmark",  "softline",
    "chpgn",   "chdate",   "chtime",   "chftn",    "chatn",    "sectnum",  "u",
    "bin",     "pict"};

bool Contains(std::span<const std::string_view> words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

bool IsLetter(std::uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

struct ControlWord {
  std::string_view word;
  long long parameter = 0;
  bool has_parameter = false;
  std::size_t end = 0;  // just past the word, its parameter and its delimiting space
  // False when the bytes ran out inside the word or its parameter, where more bytes could
  // make it another word ("\fs2" of "\fs20").
  bool complete = true;
};

// The control word whose backslash is at rtf[at] and whose first letter follows it.
ControlWord ReadControlWord(std::span<const std::uint8_t> rtf, std::size_t at) {
  ControlWord word;
  std::size_t i = at + 1;
  while (i < rtf.size() && IsLetter(rtf[i])) ++i;
  word.word = std::string_view(reinterpret_cast<const char*>(rtf.data()) + at + 1, i - at - 1);
  bool negative = i < rtf.size() && rtf[i] == '-';
  if (negative && i + 1 == rtf.size()) word.complete = false;
  if (negative && i + 1 < rtf.size() && IsDigit(rtf[i + 1])) ++i;
  while (i < rtf.size() && IsDigit(rtf[i])) {
    word.has_parameter = true;
    if (word.parameter < 1'000'000'000) word.parameter = word.parameter * 10 + (rtf[i] - '0');
    ++i;
  }
  if (i == rtf.size()) word.complete = false;
  if (negative) word.parameter = -word.parameter;
  if (i < rtf.size() && rtf[i] == ' ') ++i;
  word.end = i;
  return word;
}

// Just past the group opening at rtf[at], or kNotFound when it never closes. Escaped
// braces do not count and \binN data is stepped over unread.
std::size_t GroupEnd(std::span<const std::uint8_t> rtf, std::size_t at) {
  std::size_t depth = 0;
  for (std::size_t i = at; i < rtf.size();) {
    const std::uint8_t c = rtf[i];
    if (c == '{') {
      ++depth;
      ++i;
    } else if (c == '}') {
      ++i;
      if (--depth == 0) return i;
    } else if (c == '\\' && i + 1 < rtf.size() && IsLetter(rtf[i + 1])) {
      ControlWord word = ReadControlWord(rtf, i);
      i = word.end;
      if (word.word == "bin" && word.parameter > 0) {
        if (static_cast<unsigned long long>(word.parameter) > rtf.size() - i) return kNotFound;
        i += static_cast<std::size_t>(word.parameter);
      }
    } else {
      i += c == '\\' ? 2 : 1;
    }
  }
  return kNotFound;
}

// Whether the group opening at rtf[at] belongs to the document's header.
bool IsHeaderGroup(std::span<const std::uint8_t> rtf, std::size_t at) {
  std::size_t i = at + 1;
  while (i < rtf.size() && (rtf[i] == '\r' || rtf[i] == '\n')) ++i;
  if (i + 1 >= rtf.size() || rtf[i] != '\\') return false;
  if (rtf[i + 1] == '*') return true;
  if (!IsLetter(rtf[i + 1])) return false;
  return Contains(kHeaderDestinations, ReadControlWord(rtf, i).word);
}

}  // namespace

DocumentStartWalk WalkToDocumentStart(std::span<const std::uint8_t> rtf, bool whole) {
  std::size_t i = 0;
  while (i < rtf.size() && (rtf[i] == ' ' || rtf[i] == '\t' || rtf[i] == '\r' || rtf[i] == '\n')) ++i;
  static constexpr std::string_view kMagic = "{\\rtf";
  if (rtf.size() - i < kMagic.size())
    return {std::nullopt, false};
  if (!std::equal(kMagic.begin(), kMagic.end(), rtf.begin() + static_cast<std::ptrdiff_t>(i)))
    return {std::nullopt, true};
  ++i;  // into the document's group
  // Where the last thing stepped over ended: white space after it already belongs to
  // the text that follows.
  std::size_t after_header = i;
  // Cleared wherever the walk runs into the end of the bytes, where more bytes could
  // have led it further.
  bool decided = true;
  while (true) {
    if (i == rtf.size()) {
      decided = false;
      break;
    }
    const std::uint8_t c = rtf[i];
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') {
      ++i;
    } else if (c == '{') {
      const std::size_t end = GroupEnd(rtf, i);
      if (end == kNotFound) decided = false;
      if (end == kNotFound || !IsHeaderGroup(rtf, i)) break;
      i = after_header = end;
    } else if (c == '\\' && i + 1 < rtf.size() && IsLetter(rtf[i + 1])) {
      ControlWord word = ReadControlWord(rtf, i);
      if (!word.complete && !whole) {
        // The word may go on in bytes not seen yet: the place stays before it, never
        // inside it or its parameter.
        decided = false;
        break;
      }
      if (word.end + 1 >= rtf.size()) decided = false;  // what follows is not known yet
      if (Contains(kVisibleWords, word.word)) break;
      i = after_header = word.end;
    } else if (c == '\\' && i + 1 < rtf.size() && rtf[i + 1] == '*') {
      i = after_header = i + 2;
    } else {
      if (c == '\\' && i + 1 == rtf.size()) decided = false;
      break;  // text, a control symbol, or the document's end
    }
  }
  return {after_header, decided};
}

ColourTableEnd FindColourTableEnd(std::span<const std::uint8_t> rtf) {
  std::size_t depth = 0, table_depth = 0, entries = 0;
  bool group_start = false;
  std::uint8_t last = 0;  // the last byte of the table's text, spaces aside
  for (std::size_t i = 0; i < rtf.size();) {
    const std::uint8_t c = rtf[i];
    if (c == '{') {
      ++depth;
      group_start = true;
      ++i;
      continue;
    }
    if (c == '}') {
      if (table_depth != 0 && depth == table_depth) return {i, entries, last == ';'};
      if (depth > 0) --depth;
      group_start = false;
      ++i;
      continue;
    }
    if (c == '\\' && i + 1 < rtf.size() && IsLetter(rtf[i + 1])) {
      const ControlWord word = ReadControlWord(rtf, i);
      if (word.word == "colortbl" && group_start && depth == 2 && table_depth == 0) table_depth = depth;
      if (word.word == "bin" && word.parameter > 0)
        i = word.end + std::min<std::size_t>(static_cast<std::size_t>(word.parameter), rtf.size() - word.end);
      else
        i = word.end;
      if (table_depth != 0) last = 'w';
      group_start = false;
      continue;
    }
    if (table_depth != 0 && depth == table_depth && c == ';') ++entries;
    if (table_depth != 0 && c != ' ' && c != '\r' && c != '\n') last = c;
    group_start = false;
    i += c == '\\' ? 2 : 1;
  }
  return {};
}

std::optional<std::size_t> DocumentStart(std::span<const std::uint8_t> rtf) {
  return WalkToDocumentStart(rtf, true).at;
}

DocumentStartInserter::DocumentStartInserter(ByteSink& sink, std::string_view block)
    : sink_(sink), block_(block), placed_(block.empty()) {}

void DocumentStartInserter::Write(std::span<const std::uint8_t> bytes) {
  if (placed_) {
    sink_.Write(bytes);
    return;
  }
  held_.insert(held_.end(), bytes.begin(), bytes.end());
  if (held_.size() < next_walk_) return;
  // Walks again only once the bytes held have doubled: the opening is walked over a few
  // times at most, however long it is.
  const DocumentStartWalk walk = WalkToDocumentStart(held_);
  if (walk.decided || held_.size() >= kMostHeld)
    Place(walk.at);
  else
    next_walk_ = std::min(held_.size() * 2, kMostHeld);
}

void DocumentStartInserter::Finish() {
  if (!placed_) Place(DocumentStart(held_));
}

void DocumentStartInserter::Place(std::optional<std::size_t> at) {
  const std::span<const std::uint8_t> held(held_);
  const auto put = [this](std::string_view text) {
    sink_.Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  };
  if (at && UsesLinkColour(block_)) {
    // The links' colour joins the document's colour table, or makes one.
    const ColourTableEnd table = FindColourTableEnd(held.first(*at));
    std::size_t index = 1;
    if (table.at) {
      sink_.Write(held.first(*table.at));
      if (!table.closed) put(";");
      put(kLinkColourEntry);
      sink_.Write(held.subspan(*table.at, *at - *table.at));
      index = table.entries + (table.closed ? 0 : 1);
    } else {
      sink_.Write(held.first(*at));
      put("{\\colortbl;");
      put(kLinkColourEntry);
      put("}");
    }
    put(LinkColourBlock(block_, index));
    sink_.Write(held.subspan(*at));
  } else if (at) {
    sink_.Write(held.first(*at));
    put(block_);
    sink_.Write(held.subspan(*at));
  } else {
    sink_.Write(held);
  }
  placed_ = true;
  std::vector<std::uint8_t>().swap(held_);
}

}  // namespace quorlin
