// What the user chose for a message's document, and the one table that names each choice:
// as a flag on the converter's command line ("--header"), as a word in a long-lived
// converter's request ("header"), with a line of help. Both the command line and the
// requests are read through ReadConversionOptions, so an option added to the table is
// understood by both at once.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace quorlin {

// The defaults give the documents as they have always been.
struct ConversionOptions {
  bool header_block = false;  // open the document with subject, sender, date, recipients
  bool pictures = false;      // show the pictures the body places, from the attachments
  // Save the attachments the sender added into a folder beside the document ("Report.doc"
  // gets "Report attachments"), embedded messages as documents of their own.
  bool attachments = false;
  bool file_dates = false;    // date the document like its message (sent, else received)
  // Let the document replace a file already at the output path. Without it nothing is
  // ever replaced: the document takes the first free numbered name ("Report (2).doc").
  bool replace = false;
};

struct ConversionOptionRow {
  bool ConversionOptions::*field;
  std::string_view flag;  // on the command line, before the two paths
  std::string_view word;  // in a request's options field
  std::string_view help;
};

// Every option, one row each.
std::span<const ConversionOptionRow> ConversionOptionTable();

// How the options are spelled where they are read.
enum class OptionSpelling { kFlag, kWord };

// Turns on the option each name stands for. Returns the reason for refusing them, naming
// the first name no row has ("unknown option: --pictur"); empty when every name is known.
std::string ReadConversionOptions(std::span<const std::string_view> names, OptionSpelling spelling,
                                  ConversionOptions& options);

// One line per option for the command line's help: its flag and its help text.
std::string ConversionOptionsHelp();

}  // namespace quorlin
