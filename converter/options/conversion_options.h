// What the user chose for a message's document, and the one table that names each choice
// everywhere it is offered: as a flag on the converter's command line and on
// `lorvane convert`'s ("--header"), as a word in a long-lived converter's request
// ("header"), with its line of help, and in the window as a check box whose state is kept
// under a settings key. Both the converter's command line and its requests are read through
// ReadConversionOptions; the main program builds its command's options, its check boxes and
// their settings from the same rows. So an option is its field, its row and the logic that
// reads the field.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "converter/options/paper_size.h"

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
  // The paper the documents the converter builds are laid out on. Not a row of the table:
  // the converter finds it from the user's system (UsersPaperSize) for every document.
  PaperSize paper = kLetterPaper;
};

struct ConversionOptionRow {
  bool ConversionOptions::*field;
  std::string_view flag;  // on the command lines, before the paths
  std::string_view word;  // in a request's options field
  // One sentence without a capital or a full stop, for every help text and the check box's
  // tip; it may be long: each reader wraps it to its own width.
  std::string_view help;
  // The check box in the window and the settings key that keeps its state ("True"/"False"),
  // with the state it has before the user first ticks it. Empty for an option the run
  // decides by itself (replace): the window, its settings and `lorvane convert`'s
  // document options leave it out.
  std::string_view caption;
  std::string_view setting_key;
  bool setting_default = false;
};

// Every option, one row each, in the order the help texts and the window list them.
std::span<const ConversionOptionRow> ConversionOptionTable();

// Whether the user chooses the option (a check box, a setting, a flag of `lorvane convert`)
// rather than the run.
inline bool ChosenByTheUser(const ConversionOptionRow& row) { return !row.caption.empty(); }

// How the options are spelled where they are read.
enum class OptionSpelling { kFlag, kWord };

// Turns on the option each name stands for. Returns the reason for refusing them, naming
// the first name no row has ("unknown option: --pictur"); empty when every name is known.
std::string ReadConversionOptions(std::span<const std::string_view> names, OptionSpelling spelling,
                                  ConversionOptions& options);

// A request's options field for the options that are on: their words in the table's order,
// separated by spaces ("header dates"); empty for none. ReadConversionOptions reads it back.
std::string ConversionOptionWords(const ConversionOptions& options);

// `text` broken at spaces into lines of at most `width` characters (a longer word stands
// alone), every line after the first indented by `indent` spaces; no final line break.
std::string WrapHelp(std::string_view text, std::size_t width, std::size_t indent);

// The command line's help: per option its flag and its help text, wrapped to 80 columns.
std::string ConversionOptionsHelp();

}  // namespace quorlin
