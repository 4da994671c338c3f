// "Start Converting": the conversion run over the whole list. Before the first message it
// asks once about documents of the user's that it would replace, and makes the run's plan
// (`run/plan/run_plan.h`, the same as `lorvane convert`'s). The messages then go to long-lived
// converters, one per core (the batch engine of `lorvane convert`), while the window stays
// responsive: the bar names the message most recently begun (or the one under way longest,
// past five seconds), a failure shows its box in the order of the list while the converters
// go on, and the button stops the run: no message begins after it. At the end the converter
// is taken away again and one box says "Done." or "Stopped." with the counts of every
// message and every failure as its details.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "run/plan/document_options.h"
#include "run/plan/output_names.h"
#include "run/run_options.h"
#include "run/window/run_progress.h"

class Dialogs;
class PointerControl;

// The rows to convert, read when the run begins. Positions run from 1 to count(); text()
// fails for a position outside that range.
struct SourceRows {
  std::function<int()> count;
  std::function<QString(int position)> text;
  // The folder the row was found through ("Add All" or a drop), empty for a file added by
  // itself; none for no roots at all.
  std::function<QString(int position)> root;
};

// Where the documents go, read when the run begins.
struct OutputChoice {
  std::function<bool()> toChosenFolder;  // "Save results to this folder:" is selected
  std::function<bool()> besideSource;    // "Save results in folder of original file" is selected
  std::function<QString()> folder;       // the folder box's text
  std::function<ConversionOptions()> documents;  // the check boxes of what documents hold
  std::function<RunOptions()> runOptions;        // the run options' controls; none for the defaults
};

// The choice's paths as they stand (whether sub-folders are kept is a run option).
PathChoice ReadPathChoice(const OutputChoice& choice);

// What ties a run to the window beyond the list and the options: the window sets the
// callbacks; the run sets the stop while it goes on.
class RunControl {
 public:
  // Stops the run under way the way Ctrl-C stops the command, and says at once that the
  // stop was heard (`stopping`); nothing when no run is under way.
  void RequestStop() {
    if (!stop) return;
    stop();
    if (stopping) stopping();
  }
  // Called with true as a run begins converting and false as it ends ("Start Converting"
  // reads "Stop Converting" meanwhile).
  std::function<void(bool running)> runningChanged;
  // Called once a stop is asked for, until the run has ended (runningChanged(false)): the
  // button reads "Stopping..." and cannot be pressed.
  std::function<void()> stopping;
  // The time limit per message in seconds, read as a run begins; none gives the default.
  std::function<int()> timeLimitSeconds;
  // Opens a folder for "Open Folder" in the closing box; none leaves the button out.
  std::function<void(const QString& folder)> openFolder;
  // Converters at once; 0 for one per core.
  int workers = 0;
  // The converter placed for a run; empty for the one this program carries.
  QByteArray converterImage;

  // Set by the run while it goes on.
  std::function<void()> stop;
};

// Runs the conversion; when one is under way already, stops it instead (`converting` is
// set for the run's length and cleared however it ends). Failing steps show the error box
// and the run goes on.
void ConvertAll(const SourceRows& list, RunProgress& bar, const OutputChoice& choice, Dialogs& dialogs,
                PointerControl& pointer, bool& converting, RunControl& control);
