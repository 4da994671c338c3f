// The run's options: what the user chooses about a run as a whole, beside what each
// document holds (the converter's table, run/document_options.h). One table names each
// wherever it is offered: as an option of `lorvane convert` with its value and its line of
// help, as a control of the window (an on/off option a check box, an option of a few values
// a list after a label) with its tip, and under the settings key that keeps the window's
// choice. So a run option is its field below, its row and the logic that reads the field.
#pragma once

#include <QChar>
#include <QString>
#include <vector>

#include "run/plan/document_format.h"
#include "run/plan/name_pass.h"

class SettingsStore;

struct RunOptions {
  DocumentFormat format = DocumentFormat::kDoc;  // what the documents are saved as
  // Each document goes to its message's place below the folder it was found through; only
  // below a chosen output folder.
  bool keepFolders = false;
  QString namePattern = name_pattern::kFile;  // how the documents are named
};

// One of a list's values: the word the setting keeps, and the caption the window shows.
struct RunOptionValue {
  QString word;
  QString caption;
};

// Where the window shows an option: beside "Save results to this folder:" (and only
// while it is chosen), or under the document options in "Documents".
enum class RunOptionPlace { kBesideOutputFolder, kDocuments };

struct RunOptionRow {
  QString flag;       // the command's option without its dashes ("format")
  QChar shortFlag;    // its one-letter form ('f'), or none
  QString valueName;  // the value the help names ("FORMAT"); empty for an on/off option
  QString help;       // the command's help (a line break starts a new line)
  QString caption;    // the check box's, or the list's label's, with its "&" letter
  QString tip;        // the window's tip, for the label and the list alike
  // The window's controls are named after it: "KeepFolders" gives "KeepFoldersCheck",
  // "SaveAs" gives "SaveAsLabel" and "SaveAsCombo".
  QString controlName;
  RunOptionPlace place = RunOptionPlace::kDocuments;
  QString settingKey;                  // where the window's choice is kept
  QString settingDefault;              // what the setting reads before the user first chooses
  std::vector<RunOptionValue> values;  // a list's values, in the list's order; none for on/off

  // The logic. The command's value (empty for an on/off option, which it turns on); returns
  // why the value is refused, empty when it is taken.
  QString (*fromCommand)(RunOptions& options, const QString& value);
  // The setting's text, or the word of the value the list shows. Any text reads as one of
  // the values; an on/off option's is "True" or "False" (AppError for text neither).
  void (*fromSetting)(RunOptions& options, const QString& text);
  // The text the setting keeps for the options: one of the values' words, or "True" or
  // "False".
  QString (*toSetting)(const RunOptions& options);
};

// Every run option, in the order the window and the help show them.
const std::vector<RunOptionRow>& RunOptionTable();
// The row of the command's option `flag`; null for none.
const RunOptionRow* RunOptionNamed(const QString& flag);

inline bool IsOnOff(const RunOptionRow& row) { return row.values.empty(); }

// The setting's text for the window's control: the stored text, or the row's default while
// it has never been written. Throws AppError when the store cannot be read.
QString ReadRunOptionSetting(SettingsStore& store, const RunOptionRow& row);
// Stores the word of what the control shows. Throws AppError when the store cannot be written.
void WriteRunOptionSetting(SettingsStore& store, const RunOptionRow& row, const QString& word);
