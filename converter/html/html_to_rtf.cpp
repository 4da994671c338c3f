// An HTML body to RTF: gumbo parses it as a browser would (misnested and unclosed tags,
// entities, comments, scripts), and the tree is walked with a stack of its own, never by
// recursion, so no nesting depth can exhaust the program's stack. Each element changes the
// format of the text within it or the layout around it; what a browser does not show
// (the head, scripts, styles, "display: none") is left out.
#include "converter/html/html_to_rtf.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "converter/text/code_page.h"
#include "converter/rtf/link_colour.h"
#include "converter/html/html_to_rtf_flow.h"
#include "converter/html/html_to_rtf_parse.h"
#include "converter/html/html_to_rtf_style.h"
#include "converter/html/html_to_rtf_table.h"

namespace quorlin {
namespace {

constexpr std::uint32_t kLinkColor = 0x0563C1;
constexpr std::size_t kMostColors = 250;
constexpr int kIndentStep = 720;
constexpr int kMostIndent = 10 * kIndentStep;
constexpr std::size_t kLongestLink = 4096;

// Where in a table the walk is: outside any; in an RTF table's rows but not in a cell
// (where only rows and cells count); in one of its cells; or in a table inside a cell,
// which is laid out as text (rows as lines, cells set off by tabs).
enum class TableMode : std::uint8_t { kNone, kRows, kCell, kText };

struct Context {
  CharFormat chars;
  ParaFormat para;
  bool pre = false;
  bool link = false;
  TableMode table = TableMode::kNone;
  int list = -1;  // index of the nearest list's frame
};

// What leaving an element does.
enum Leave : std::uint8_t {
  kBreak = 1, kBlank = 2, kListItem = 4, kEndLink = 8, kEndCell = 16, kEndRow = 32, kEndTable = 64
};

struct Frame {
  const GumboNode* node = nullptr;
  unsigned next = 0;
  Context context;
  std::uint8_t leave = 0;
  int counter = 0;        // a list: the number of its next item
  bool ordered = false;   // a list: numbered
};

const GumboVector& Children(const GumboNode& node) {
  return node.type == GUMBO_NODE_DOCUMENT ? node.v.document.children : node.v.element.children;
}

const char* Attribute(const GumboNode& node, const char* name) {
  const GumboAttribute* attribute = gumbo_get_attribute(&node.v.element.attributes, name);
  return attribute ? attribute->value : nullptr;
}

bool IsElement(const GumboNode& node, GumboTag tag) {
  return node.type == GUMBO_NODE_ELEMENT && node.v.element.tag == tag;
}

// Elements whose content a browser does not show as text.
bool IsHidden(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_HEAD: case GUMBO_TAG_SCRIPT: case GUMBO_TAG_STYLE: case GUMBO_TAG_TITLE:
    case GUMBO_TAG_TEMPLATE: case GUMBO_TAG_IFRAME: case GUMBO_TAG_OBJECT: case GUMBO_TAG_APPLET:
    case GUMBO_TAG_NOEMBED: case GUMBO_TAG_NOFRAMES: case GUMBO_TAG_DATALIST:
      return true;
    default:
      return false;
  }
}

// Block elements: their content starts and ends a line.
bool IsBlock(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_ADDRESS: case GUMBO_TAG_ARTICLE: case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BLOCKQUOTE: case GUMBO_TAG_BODY: case GUMBO_TAG_CAPTION: case GUMBO_TAG_CENTER:
    case GUMBO_TAG_DD: case GUMBO_TAG_DETAILS: case GUMBO_TAG_DIR: case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL: case GUMBO_TAG_DT: case GUMBO_TAG_FIELDSET: case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE: case GUMBO_TAG_FOOTER: case GUMBO_TAG_FORM: case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HR: case GUMBO_TAG_HTML: case GUMBO_TAG_LEGEND: case GUMBO_TAG_LISTING:
    case GUMBO_TAG_MAIN: case GUMBO_TAG_MENU: case GUMBO_TAG_NAV: case GUMBO_TAG_OL:
    case GUMBO_TAG_PLAINTEXT: case GUMBO_TAG_PRE: case GUMBO_TAG_SECTION: case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_TABLE: case GUMBO_TAG_TR: case GUMBO_TAG_UL: case GUMBO_TAG_XMP:
      return true;
    default:
      return false;
  }
}

int HeadingLevel(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_H1: return 1;
    case GUMBO_TAG_H2: return 2;
    case GUMBO_TAG_H3: return 3;
    case GUMBO_TAG_H4: return 4;
    case GUMBO_TAG_H5: return 5;
    case GUMBO_TAG_H6: return 6;
    default: return 0;
  }
}

bool IsList(GumboTag tag) {
  return tag == GUMBO_TAG_UL || tag == GUMBO_TAG_OL || tag == GUMBO_TAG_DIR || tag == GUMBO_TAG_MENU;
}

// A link's target as it goes into the field: only the schemes mail links use, every
// byte that could end the field's quoted argument or group, and everything beyond
// printable ASCII, written as %XX. Anything else makes no link; its text stays.
std::string LinkTarget(std::string_view href) {
  while (!href.empty() && static_cast<unsigned char>(href.front()) <= 0x20) href.remove_prefix(1);
  while (!href.empty() && static_cast<unsigned char>(href.back()) <= 0x20) href.remove_suffix(1);
  const std::size_t colon = href.find(':');
  if (colon == std::string_view::npos || href.size() > kLongestLink) return {};
  const std::string_view scheme = href.substr(0, colon);
  bool known = false;
  for (std::string_view allowed : {"http", "https", "mailto", "ftp", "tel", "news"})
    known = known || EqualsIgnoringCase(scheme, allowed);
  if (!known) return {};
  std::string target;
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char ch : href) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte <= 0x20 || byte >= 0x7F || ch == '"' || ch == '\\' || ch == '{' || ch == '}') {
      target += '%';
      target += kHex[byte >> 4];
      target += kHex[byte & 0xF];
    } else {
      target += ch;
    }
  }
  return target;
}

// The background colour an element of a table states (bgcolor, or the style's
// background-color, or a background that is a colour alone); nothing for none.
std::optional<std::uint32_t> BackgroundColor(const GumboNode& node) {
  std::optional<std::uint32_t> color;
  if (const char* bgcolor = Attribute(node, "bgcolor")) color = ParseHtmlColor(bgcolor);
  if (const char* style = Attribute(node, "style"))
    ForEachCssDeclaration(style, [&](std::string_view name, std::string_view value) {
      if (name == "background-color" || name == "background")
        if (std::optional<std::uint32_t> rgb = ParseHtmlColor(value)) color = rgb;
    });
  return color;
}

bool HasBackground(const GumboNode& node) {
  switch (node.v.element.tag) {
    case GUMBO_TAG_TABLE: case GUMBO_TAG_TR: case GUMBO_TAG_TD: case GUMBO_TAG_TH: return true;
    default: return false;
  }
}

// About how wide a character of the body's text is, in twips: a little more than half
// its 10 points in the body's sans-serif font, so that an estimate rather wraps a line
// less than more.
constexpr int kCharacterTwips = 110;
// A picture whose width the HTML does not state is taken as an inch wide.
constexpr int kUnknownPictureTwips = 1440;

// What a cell's content asks of its column: its widest word or picture (`least`) and its
// longest line (`most`), in twips, estimated from the number of characters; a table
// inside the cell counts as its text. Walked without recursion.
void CellContentWidths(const GumboNode& cell, int text_width, int& least, int& most) {
  long line = 0, word = 0, widest = 0, longest = 0;
  const auto end_word = [&] {
    widest = std::max(widest, word);
    word = 0;
  };
  const auto end_line = [&] {
    end_word();
    longest = std::max(longest, line);
    line = 0;
  };
  std::vector<const GumboNode*> pending{&cell};
  while (!pending.empty()) {
    const GumboNode* node = pending.back();
    pending.pop_back();
    if (node == nullptr) {  // the end of a block
      end_line();
      continue;
    }
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE) {
      for (const char* c = node->v.text.text; *c != 0; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if ((byte & 0xC0) == 0x80) continue;  // one character, however many bytes
        if (byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r') {
          end_word();
          if (line > 0) line += kCharacterTwips;
        } else {
          word += kCharacterTwips;
          line += kCharacterTwips;
        }
      }
      continue;
    }
    if (node->type != GUMBO_NODE_ELEMENT || IsHidden(node->v.element.tag)) continue;
    const GumboTag tag = node->v.element.tag;
    if (tag == GUMBO_TAG_IMG) {
      int width = kUnknownPictureTwips;
      if (const char* stated = Attribute(*node, "width"))
        if (std::optional<HtmlLength> length = ParseHtmlLength(stated); length && !length->percent)
          width = static_cast<int>(std::min<double>(length->value * 15, text_width));
      end_word();
      widest = std::max<long>(widest, width);
      line += width;
      continue;
    }
    if (tag == GUMBO_TAG_BR) {
      end_line();
      continue;
    }
    if (tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH) end_word();  // cells of a nested table
    const bool block = IsBlock(tag) || tag == GUMBO_TAG_P || tag == GUMBO_TAG_LI || HeadingLevel(tag) > 0;
    if (block) {
      end_line();
      pending.push_back(nullptr);
    }
    const GumboVector& children = node->v.element.children;
    for (unsigned i = children.length; i > 0; --i) pending.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
  }
  end_line();
  least = static_cast<int>(std::min<long>(widest, text_width));
  most = static_cast<int>(std::min<long>(longest, text_width));
}

// A row of an RTF table: where its cells end and their shading.
struct RowLayout {
  std::vector<int> edges;
  std::vector<int> shading;
};

class HtmlWalker {
 public:
  HtmlWalker(RtfFlow& flow, InlineImages* images, const std::unordered_map<std::uint32_t, int>& colors,
             int text_width)
      : flow_(flow), images_(images), colors_(colors), text_width_(text_width) {}

  void Walk(const GumboNode& document) {
    Frame root;
    root.node = &document;
    stack_.push_back(root);
    while (!stack_.empty()) {
      Frame& frame = stack_.back();
      const GumboVector& children = Children(*frame.node);
      if (frame.next >= children.length) {
        Leave();
        continue;
      }
      const GumboNode& child = *static_cast<const GumboNode*>(children.data[frame.next++]);
      const Context& context = frame.context;
      switch (child.type) {
        case GUMBO_NODE_TEXT: case GUMBO_NODE_WHITESPACE: case GUMBO_NODE_CDATA:
          if (context.table != TableMode::kRows)
            flow_.Text(child.v.text.text, context.chars, context.pre);
          break;
        case GUMBO_NODE_ELEMENT:
          Enter(child);  // may move the stack: `frame` is not used after this
          break;
        default:
          break;  // comments, templates
      }
    }
  }

 private:
  int ColorIndex(std::uint32_t rgb) const {
    const auto found = colors_.find(rgb);
    return found == colors_.end() ? 0 : found->second;
  }

  // The context within `node`, from its tag and attributes; false when it shows nothing.
  bool ApplyStyle(const GumboNode& node, Context& context) {
    const GumboTag tag = node.v.element.tag;
    CharFormat& chars = context.chars;
    switch (tag) {
      case GUMBO_TAG_B: case GUMBO_TAG_STRONG: chars.bold = true; break;
      case GUMBO_TAG_I: case GUMBO_TAG_EM: case GUMBO_TAG_CITE: case GUMBO_TAG_VAR:
      case GUMBO_TAG_DFN: chars.italic = true; break;
      case GUMBO_TAG_U: case GUMBO_TAG_INS: chars.underline = true; break;
      case GUMBO_TAG_S: case GUMBO_TAG_STRIKE: case GUMBO_TAG_DEL: chars.strike = true; break;
      case GUMBO_TAG_CODE: case GUMBO_TAG_TT: case GUMBO_TAG_KBD: case GUMBO_TAG_SAMP:
        chars.mono = true; break;
      case GUMBO_TAG_BIG: chars.half_points = std::min(400, chars.half_points * 6 / 5); break;
      case GUMBO_TAG_SMALL: chars.half_points = std::max(2, chars.half_points * 5 / 6); break;
      case GUMBO_TAG_PRE: case GUMBO_TAG_LISTING: case GUMBO_TAG_XMP: case GUMBO_TAG_PLAINTEXT:
      case GUMBO_TAG_TEXTAREA:
        chars.mono = true;
        context.pre = true;
        break;
      case GUMBO_TAG_CENTER: context.para.align = Align::kCenter; break;
      case GUMBO_TAG_BLOCKQUOTE: case GUMBO_TAG_DD:
        context.para.left_twips = std::min(kMostIndent, context.para.left_twips + kIndentStep);
        break;
      case GUMBO_TAG_TH: chars.bold = true; break;
      case GUMBO_TAG_FONT:
        if (const char* color = Attribute(node, "color"))
          if (auto rgb = ParseHtmlColor(color)) chars.color = ColorIndex(*rgb);
        if (const char* size = Attribute(node, "size"))
          if (auto half_points = ParseFontSizeAttribute(size)) chars.half_points = *half_points;
        if (const char* face = Attribute(node, "face"))
          chars.mono = ContainsIgnoringCase(face, "courier") || ContainsIgnoringCase(face, "mono");
        break;
      default:
        if (const int level = HeadingLevel(tag)) {
          static constexpr int kSizes[] = {40, 32, 28, 24, 22, 20};
          chars.bold = true;
          chars.half_points = kSizes[level - 1];
        }
        break;
    }
    if (IsList(tag))
      context.para.left_twips = std::min(kMostIndent, context.para.left_twips + kIndentStep);
    if (const char* align = Attribute(node, "align")) {
      if (EqualsIgnoringCase(align, "center")) context.para.align = Align::kCenter;
      if (EqualsIgnoringCase(align, "right")) context.para.align = Align::kRight;
      if (EqualsIgnoringCase(align, "justify")) context.para.align = Align::kJustify;
      if (EqualsIgnoringCase(align, "left")) context.para.align = Align::kLeft;
    }
    bool shown = true;
    if (const char* style = Attribute(node, "style")) {
      ForEachCssDeclaration(style, [&](std::string_view name, std::string_view value) {
        if (name == "display") {
          shown = shown && !EqualsIgnoringCase(value, "none");
        } else if (name == "color") {
          if (auto rgb = ParseHtmlColor(value)) chars.color = ColorIndex(*rgb);
        } else if (name == "font-size") {
          if (auto size = ParseCssFontSize(value, chars.half_points)) chars.half_points = *size;
        } else if (name == "font-weight") {
          chars.bold = EqualsIgnoringCase(value, "bold") || EqualsIgnoringCase(value, "bolder") ||
                       (value.size() == 3 && value[0] >= '6' && value[0] <= '9');
        } else if (name == "font-style") {
          chars.italic = !EqualsIgnoringCase(value, "normal");
        } else if (name == "text-decoration" || name == "text-decoration-line") {
          chars.underline = ContainsIgnoringCase(value, "underline");
          chars.strike = ContainsIgnoringCase(value, "line-through");
        } else if (name == "font-family") {
          chars.mono = ContainsIgnoringCase(value, "courier") || ContainsIgnoringCase(value, "mono") ||
                       ContainsIgnoringCase(value, "consolas");
        } else if (name == "white-space") {
          context.pre = ContainsIgnoringCase(value, "pre");
        } else if (name == "text-align") {
          if (EqualsIgnoringCase(value, "center")) context.para.align = Align::kCenter;
          if (EqualsIgnoringCase(value, "right")) context.para.align = Align::kRight;
          if (EqualsIgnoringCase(value, "justify")) context.para.align = Align::kJustify;
          if (EqualsIgnoringCase(value, "left")) context.para.align = Align::kLeft;
        }
      });
    }
    return shown;
  }

  void Enter(const GumboNode& node) {
    const GumboTag tag = node.v.element.tag;
    const Context& parent = stack_.back().context;
    if (IsHidden(tag)) return;
    // In a table's rows only rows and cells count: the parser has moved text out already.
    if (parent.table == TableMode::kRows &&
        !(tag == GUMBO_TAG_TBODY || tag == GUMBO_TAG_THEAD || tag == GUMBO_TAG_TFOOT ||
          tag == GUMBO_TAG_TR || tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH ||
          tag == GUMBO_TAG_CAPTION))
      return;
    Frame frame;
    frame.node = &node;
    frame.context = parent;
    Context& context = frame.context;
    if (!ApplyStyle(node, context)) return;

    switch (tag) {
      case GUMBO_TAG_BR:
        flow_.LineBreak(context.chars);
        return;
      case GUMBO_TAG_IMG:
        Picture(node, context);
        return;
      case GUMBO_TAG_A:
        if (const char* href = Attribute(node, "href"); href && !parent.link) {
          std::string target = LinkTarget(href);
          if (!target.empty()) {
            context.link = true;
            context.chars.underline = true;
            if (!Attribute(node, "style") || context.chars.color == parent.chars.color)
              context.chars.color = ColorIndex(kLinkColor);
            ApplyStyle(node, context);  // the link's own style over the usual look
            flow_.BeginLink(std::move(target));
            frame.leave |= kEndLink;
          }
        }
        break;
      case GUMBO_TAG_TABLE:
        flow_.Break(false);
        frame.leave |= kBreak;
        if (parent.table == TableMode::kNone) {
          LayOutTable(node);
          context.table = TableMode::kRows;
          frame.leave |= kEndTable;
        } else {
          context.table = TableMode::kText;
        }
        break;
      case GUMBO_TAG_CAPTION:
        context.table = TableMode::kText;
        break;
      case GUMBO_TAG_TR:
        if (parent.table == TableMode::kRows) {
          const RowLayout& row = RowOf(node);
          flow_.BeginRow(row.edges, row.shading, table_borders_);
          frame.leave |= kEndRow;
        }
        break;
      case GUMBO_TAG_TD: case GUMBO_TAG_TH:
        if (parent.table == TableMode::kRows && flow_.InRow()) {
          context.table = TableMode::kCell;
          context.para = ParaFormat{};
          if (tag == GUMBO_TAG_TH) context.para.align = Align::kCenter;
          ApplyStyle(node, context);  // the cell's own alignment
          flow_.SetParagraph(context.para);
          flow_.BeginCell();
          frame.leave |= kEndCell;
        } else if (parent.table == TableMode::kRows || parent.table == TableMode::kText) {
          context.table = TableMode::kText;
          flow_.Tab();
        }
        break;
      case GUMBO_TAG_LI: {
        flow_.Break(false);
        if (context.para.left_twips == 0) context.para.left_twips = kIndentStep;
        flow_.SetParagraph(context.para);
        std::u16string marker = u"\u2022";
        if (parent.list >= 0 && stack_[parent.list].ordered) {
          Frame& list = stack_[parent.list];
          if (const char* value = Attribute(node, "value"))
            list.counter = ParseHtmlInteger(value, -999999, 999999).value_or(list.counter);
          const std::string number = std::to_string(list.counter++) + ".";
          marker.assign(number.begin(), number.end());
        }
        flow_.ListMarker(std::move(marker), context.chars);
        frame.leave |= kListItem | kBreak;
        break;
      }
      default:
        break;
    }
    if (IsList(tag)) {
      context.list = static_cast<int>(stack_.size());
      frame.ordered = tag == GUMBO_TAG_OL;
      const char* start = Attribute(node, "start");
      frame.counter = start ? ParseHtmlInteger(start, -999999, 999999).value_or(1) : 1;
    }
    if (tag == GUMBO_TAG_TR && parent.table == TableMode::kText) {
      flow_.Break(false);
      frame.leave |= kBreak;
    }
    const bool blank = tag == GUMBO_TAG_P || HeadingLevel(tag) > 0;
    if (blank || (IsBlock(tag) && tag != GUMBO_TAG_TABLE && tag != GUMBO_TAG_TR)) {
      flow_.Break(blank);
      flow_.SetParagraph(context.para);
      frame.leave |= kBreak | (blank ? kBlank : 0);
    }
    stack_.push_back(std::move(frame));
  }

  void Leave() {
    const Frame frame = std::move(stack_.back());
    stack_.pop_back();
    if (frame.leave & kListItem) flow_.FinishListItem();
    if (frame.leave & kEndLink) flow_.EndLink();
    if (frame.leave & kEndCell) flow_.EndCell();
    if (frame.leave & kEndRow) flow_.EndRow();
    if (frame.leave & kEndTable) table_rows_.clear();
    if (frame.leave & kBreak) flow_.Break(frame.leave & kBlank);
    if (!stack_.empty() && (frame.leave & (kBreak | kEndCell)))
      flow_.SetParagraph(stack_.back().context.para);
  }

  void Picture(const GumboNode& node, const Context& context) {
    if (images_ == nullptr) return;
    ImageRef ref;
    if (const char* src = Attribute(node, "src")) ref.src = src;
    if (const char* alt = Attribute(node, "alt")) ref.alt = Utf16FromUtf8(alt);
    if (const char* width = Attribute(node, "width")) ref.width_px = ParseHtmlInteger(width, 0, 100000);
    if (const char* height = Attribute(node, "height"))
      ref.height_px = ParseHtmlInteger(height, 0, 100000);
    images_->WriteImage(ref, flow_.PlaceForPicture(context.chars));
  }

  // The rows of the table and where their cells end, in the order the walk meets them.
  void LayOutTable(const GumboNode& table) {
    std::optional<HtmlLength> width;
    if (const char* attribute = Attribute(table, "width")) width = ParseHtmlLength(attribute);
    if (const char* style = Attribute(table, "style"))
      ForEachCssDeclaration(style, [&](std::string_view name, std::string_view value) {
        if (name == "width") width = ParseHtmlLength(value);
      });
    const char* border = Attribute(table, "border");
    table_borders_ = border && ParseHtmlInteger(border, 0, 100).value_or(1) > 0;
    std::vector<const GumboNode*> rows;
    auto add_rows = [&rows](const GumboNode& parent) {
      const GumboVector& children = parent.v.element.children;
      for (unsigned i = 0; i < children.length; ++i) {
        const auto& child = *static_cast<const GumboNode*>(children.data[i]);
        if (IsElement(child, GUMBO_TAG_TR)) rows.push_back(&child);
      }
    };
    add_rows(table);
    const GumboVector& sections = table.v.element.children;
    for (unsigned i = 0; i < sections.length; ++i) {
      const auto& section = *static_cast<const GumboNode*>(sections.data[i]);
      if (IsElement(section, GUMBO_TAG_TBODY) || IsElement(section, GUMBO_TAG_THEAD) ||
          IsElement(section, GUMBO_TAG_TFOOT))
        add_rows(section);
    }
    const std::optional<std::uint32_t> table_color = BackgroundColor(table);
    std::vector<std::vector<HtmlCellSpec>> specs;
    std::vector<std::vector<int>> shading;
    for (const GumboNode* row : rows) {
      std::vector<HtmlCellSpec>& cells = specs.emplace_back();
      std::vector<int>& shades = shading.emplace_back();
      const std::optional<std::uint32_t> row_color = BackgroundColor(*row);
      const GumboVector& children = row->v.element.children;
      for (unsigned i = 0; i < children.length; ++i) {
        const auto& cell = *static_cast<const GumboNode*>(children.data[i]);
        if (!IsElement(cell, GUMBO_TAG_TD) && !IsElement(cell, GUMBO_TAG_TH)) continue;
        std::optional<std::uint32_t> color = BackgroundColor(cell);
        if (!color) color = row_color ? row_color : table_color;
        shades.push_back(color ? ColorIndex(*color) : 0);
        HtmlCellSpec& spec = cells.emplace_back();
        CellContentWidths(cell, text_width_, spec.least_content, spec.most_content);
        if (const char* colspan = Attribute(cell, "colspan"))
          spec.colspan = ParseHtmlInteger(colspan, 1, kMostColumns).value_or(1);
        if (const char* cell_width = Attribute(cell, "width")) spec.width = ParseHtmlLength(cell_width);
        if (const char* style = Attribute(cell, "style"))
          ForEachCssDeclaration(style, [&](std::string_view name, std::string_view value) {
            if (name == "width") spec.width = ParseHtmlLength(value);
          });
      }
    }
    std::vector<std::vector<int>> edges = TableCellEdges(width, specs, text_width_);
    table_rows_.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      shading[i].resize(edges[i].size());
      table_rows_[rows[i]] = {std::move(edges[i]), std::move(shading[i])};
    }
  }

  const RowLayout& RowOf(const GumboNode& row) const {
    static const RowLayout kNone;
    const auto found = table_rows_.find(&row);
    return found == table_rows_.end() ? kNone : found->second;
  }

  RtfFlow& flow_;
  InlineImages* images_;
  const std::unordered_map<std::uint32_t, int>& colors_;
  std::vector<Frame> stack_;
  int text_width_;
  std::unordered_map<const GumboNode*, RowLayout> table_rows_;
  bool table_borders_ = false;
};

// The colours the body's text uses, numbered from 1 in the order first met, at most
// kMostColors (text in further colours keeps the reader's default).
std::vector<std::uint32_t> BodyColors(const GumboNode& document) {
  std::vector<std::uint32_t> colors;
  auto add = [&colors](std::uint32_t rgb) {
    if (colors.size() < kMostColors && std::find(colors.begin(), colors.end(), rgb) == colors.end())
      colors.push_back(rgb);
  };
  std::vector<const GumboNode*> pending{&document};
  while (!pending.empty()) {
    const GumboNode& node = *pending.back();
    pending.pop_back();
    if (node.type == GUMBO_NODE_ELEMENT) {
      if (const char* style = Attribute(node, "style"))
        ForEachCssDeclaration(style, [&](std::string_view name, std::string_view value) {
          if (name == "color")
            if (auto rgb = ParseHtmlColor(value)) add(*rgb);
        });
      if (node.v.element.tag == GUMBO_TAG_FONT)
        if (const char* color = Attribute(node, "color"))
          if (auto rgb = ParseHtmlColor(color)) add(*rgb);
      if (node.v.element.tag == GUMBO_TAG_A && Attribute(node, "href")) add(kLinkColor);
      if (HasBackground(node))
        if (std::optional<std::uint32_t> rgb = BackgroundColor(node)) add(*rgb);
    } else if (node.type != GUMBO_NODE_DOCUMENT) {
      continue;
    }
    const GumboVector& children = Children(node);
    for (unsigned i = children.length; i > 0; --i)
      pending.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
  }
  return colors;
}

}  // namespace

void HtmlToRtf(std::string_view html_utf8, ByteSink& out, InlineImages* images,
               std::string_view opening, const PageLayout* page) {
  RtfFlow flow(out);
  const std::string page_words = page ? page->RtfWords() : std::string();
  const int text_width = page ? page->text_width() : PageLayout{}.text_width();
  bool begun = false;
  std::unordered_map<std::uint32_t, int> colors;
  ParseHtml(html_utf8, DefaultHtmlParseLimits(html_utf8.size()),
            [&](const GumboNode& document, bool whole) {
              if (!begun) {
                // A body parsed in pieces has no colours: the table would have to be
                // known before the first piece is written.
                std::vector<std::uint32_t> table =
                    whole ? BodyColors(document) : std::vector<std::uint32_t>{};
                for (std::size_t i = 0; i < table.size(); ++i)
                  colors[table[i]] = static_cast<int>(i + 1);
                if (!UsesLinkColour(opening)) {
                  flow.Begin(table, opening, page_words);
                } else {
                  // The header block's links take the body's link colour, added when the
                  // body has no link of its own.
                  auto at = std::find(table.begin(), table.end(), kLinkColour);
                  if (at == table.end()) at = table.insert(table.end(), kLinkColour);
                  flow.Begin(table, LinkColourBlock(opening, static_cast<std::size_t>(at - table.begin()) + 1),
                             page_words);
                }
                begun = true;
              }
              HtmlWalker(flow, images, colors, text_width).Walk(document);
            });
  if (!begun) {
    const std::uint32_t link[] = {kLinkColour};
    if (UsesLinkColour(opening))
      flow.Begin(link, LinkColourBlock(opening, 1), page_words);
    else
      flow.Begin({}, opening, page_words);
  }
  flow.End();
}

}  // namespace quorlin
