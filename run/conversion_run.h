// "Start Converting": the conversion run over the whole list. Before the first row it asks
// once about documents of the user's that it would replace. For each row it shows the row's
// share and name on the bar, builds the output path, runs the converter once and waits for
// it, and tells the user about every file that produced no document and why; at the end it
// takes the converter away again and says "Done." with the counts.
#pragma once

#include <QString>
#include <functional>

#include "run/document_options.h"

class Dialogs;
class PointerControl;
class ProgressBar;

// The rows to convert, read live: the user may remove rows while the run yields. Positions
// run from 1 to count(); text() fails for a position outside that range.
struct SourceRows {
  std::function<int()> count;
  std::function<QString(int position)> text;
};

// Where the documents go, read afresh for every row: the window stays live while the run
// yields, so the user may change the options meanwhile.
struct OutputChoice {
  std::function<bool()> toChosenFolder;  // "Save results to this folder:" is selected
  std::function<bool()> besideSource;    // "Save results in folder of original file" is selected
  std::function<QString()> folder;       // the folder box's text
  std::function<DocumentOptions()> documents;  // the check boxes of what documents hold
};

// Runs the conversion unless one is under way already (`converting` is set for the run's
// length and cleared however it ends). Failing steps show the error box and the run goes on.
void ConvertAll(const SourceRows& list, ProgressBar& bar, const OutputChoice& choice, Dialogs& dialogs,
                PointerControl& pointer, bool& converting);
