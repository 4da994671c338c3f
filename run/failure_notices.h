// How a run tells the user about rows that produced no document: each failure in a box of
// its own, with the reason under the path, until the user ticks "Do not show this again
// during this run"; from then on failures are collected. The closing box says "Done." with
// the counts under it and, when failures were collected, every failure of the run as its
// details, so a bulk run costs one click however many files fail.
#pragma once

#include <QString>
#include <utility>
#include <vector>

class Dialogs;

class FailureNotices {
 public:
  explicit FailureNotices(Dialogs& dialogs) : dialogs_(dialogs) {}

  void Converted() { ++converted_; }
  // Shows the failure box, or only collects the failure once the user asked for that.
  void Failed(const QString& source, const QString& reason);
  // The closing box.
  void Done();

  // The failure box's text: "Failed to convert: " and the path, then the reason.
  static QString FailureText(const QString& source, const QString& reason);
  // The closing box's text: "Done.", then "N converted, M failed".
  QString DoneText() const;

 private:
  Dialogs& dialogs_;
  int converted_ = 0;
  std::vector<std::pair<QString, QString>> failures_;  // source, reason
  bool collecting_ = false;
};
