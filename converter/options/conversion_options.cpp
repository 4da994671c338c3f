// The table of the converter's options, the one reader of their names and their writer.
#include "converter/options/conversion_options.h"

#include <array>

namespace quorlin {
namespace {

// A new option is one row here, a field above, and the converter's logic that reads it.
// The window's first start ticks the boxes that give the whole message (its header, its
// pictures, its attachments); the converter and `lorvane convert` keep every option off
// unless asked.
constexpr std::array kRows = {
    ConversionOptionRow{&ConversionOptions::header_block, "--header", "header",
                        "open each document with the message's sender, date, recipients, subject and "
                        "attachments",
                        "Add sender, date and subject", "HeaderBlock", true},
    ConversionOptionRow{&ConversionOptions::pictures, "--pictures", "pictures",
                        "show the pictures the message's body places, from its attachments",
                        "Show pictures", "Pictures", true},
    ConversionOptionRow{&ConversionOptions::attachments, "--attachments", "attachments",
                        "save the message's attachments into a folder beside its document (\"Report.doc\" "
                        "gets \"Report attachments\")",
                        "Save attachments", "Attachments", true},
    ConversionOptionRow{&ConversionOptions::file_dates, "--dates", "dates",
                        "date each document like its message (sent, else received)",
                        "Date documents like their messages", "DateFiles", false},
    ConversionOptionRow{&ConversionOptions::replace, "--replace", "replace",
                        "replace a file already at the output path (else the document takes the first free "
                        "numbered name)",
                        "", "", false},
};

const ConversionOptionRow* Find(std::string_view name, OptionSpelling spelling) {
  for (const ConversionOptionRow& row : kRows) {
    if ((spelling == OptionSpelling::kFlag ? row.flag : row.word) == name) return &row;
  }
  return nullptr;
}

}  // namespace

std::span<const ConversionOptionRow> ConversionOptionTable() { return kRows; }

std::string ReadConversionOptions(std::span<const std::string_view> names, OptionSpelling spelling,
                                  ConversionOptions& options) {
  for (std::string_view name : names) {
    const ConversionOptionRow* row = Find(name, spelling);
    if (row == nullptr) return "unknown option: " + std::string(name);
    options.*(row->field) = true;
  }
  return {};
}

std::string ConversionOptionWords(const ConversionOptions& options) {
  std::string words;
  for (const ConversionOptionRow& row : kRows) {
    if (!(options.*(row.field))) continue;
    if (!words.empty()) words += ' ';
    words += row.word;
  }
  return words;
}

std::string WrapHelp(std::string_view text, std::size_t width, std::size_t indent) {
  std::string wrapped;
  std::size_t line = 0;  // characters on the current line, its indent included
  while (!text.empty()) {
    const std::size_t space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    if (word.empty()) continue;
    if (line > indent && line + 1 + word.size() > width) {
      wrapped += '\n';
      wrapped.append(indent, ' ');
      line = indent;
    } else if (line > indent) {
      wrapped += ' ';
      ++line;
    } else if (line == 0) {
      line = indent;  // the first line's indent is the caller's
    }
    wrapped += word;
    line += word.size();
  }
  return wrapped;
}

std::string ConversionOptionsHelp() {
  constexpr std::size_t kIndent = 16;
  std::string help;
  for (const ConversionOptionRow& row : kRows) {
    std::string left = "  " + std::string(row.flag);
    left.append(left.size() < kIndent ? kIndent - left.size() : 1, ' ');
    help += left + WrapHelp(row.help, 80, left.size()) + '\n';
  }
  return help;
}

}  // namespace quorlin
