// How a run tells the user about messages that produced no document: each failure in a box
// of its own, the path and under it the reason in plain words with its detail, until the
// user ticks "Do not show this again during this run"; from then on (and after a stop)
// failures are only collected. The closing box says "Done." or "Stopped." with the counts
// under it, carries a warning icon when anything failed, and holds every failure of the run
// as its details whether or not the boxes were turned off; it offers "Open Folder" when the
// documents went to one folder.
#pragma once

#include <QString>
#include <utility>
#include <vector>

#include "run/plan/run_report.h"

class Dialogs;

class FailureNotices {
 public:
  explicit FailureNotices(Dialogs& dialogs) : dialogs_(dialogs) {}

  void Converted() { ++converted_; }
  void Skipped(int count) { skipped_ += count; }
  // Listings merged into a message listed before (the same file under another name).
  void ListedTwice(int count) { listedTwice_ += count; }
  // Messages never begun (the run was stopped first).
  void NotStarted(int count) { notStarted_ += count; }
  // A message cut short by the stop while under way: counted apart, no failure box.
  void Stopped() { ++stopped_; }
  // Shows the failure box, or only collects the failure once the user asked for that.
  void Failed(const QString& source, const QString& reason);
  // Failures are only collected from now on.
  void Collect() { collecting_ = true; }

  // The closing box. `folder`, when not empty, is offered with "Open Folder"; returns true
  // when the user pressed it. When anything failed, "Save List..." saves `report`, the
  // run's lines as `lorvane convert --report` writes them.
  bool Done(bool stopped, const QString& folder, const std::vector<ReportLine>& report = {});

  // The failure box's text: "Failed to convert: " and the path, then the reason.
  static QString FailureText(const QString& source, const QString& reason);
  // The closing box's text: "Done." or "Stopped.", then "N converted, M failed" with the
  // messages stopped, not started, skipped and listed twice when there were any.
  QString ClosingText(bool stopped) const;
  // Every failure: the path, the reason under it, a blank line between two.
  QString Details() const;
  int ConvertedCount() const { return converted_; }

 private:
  Dialogs& dialogs_;
  int converted_ = 0;
  int skipped_ = 0;
  int notStarted_ = 0;
  int stopped_ = 0;
  int listedTwice_ = 0;
  std::vector<std::pair<QString, QString>> failures_;  // source, reason
  bool collecting_ = false;
};
