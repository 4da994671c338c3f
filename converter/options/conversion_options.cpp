// The table of the converter's options and the one reader of their names.
#include "converter/options/conversion_options.h"

#include <array>

namespace quorlin {
namespace {

// A new option is one row here, a field above, and the converter's logic that reads it.
constexpr std::array kRows = {
    ConversionOptionRow{&ConversionOptions::header_block, "--header", "header",
                        "open the document with the message's subject, sender, date, "
                        "recipients and attachments"},
    ConversionOptionRow{&ConversionOptions::pictures, "--pictures", "pictures",
                        "show the pictures the body places, from the message's attachments"},
    ConversionOptionRow{&ConversionOptions::attachments, "--attachments", "attachments",
                        "save the attachments into a folder beside the document"},
    ConversionOptionRow{&ConversionOptions::file_dates, "--dates", "dates",
                        "date the document like its message (sent, else received)"},
    ConversionOptionRow{&ConversionOptions::replace, "--replace", "replace",
                        "replace a file already at the output path (else the document takes "
                        "the first free numbered name)"},
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

std::string ConversionOptionsHelp() {
  std::string help;
  for (const ConversionOptionRow& row : kRows) {
    help += "  ";
    help += row.flag;
    help += std::string(row.flag.size() < 12 ? 12 - row.flag.size() : 1, ' ');
    help += row.help;
    help += '\n';
  }
  return help;
}

}  // namespace quorlin
