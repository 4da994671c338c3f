// The one-line progress display of a command-line run on a terminal: done/total, failures,
// rate and time left, redrawn in place at most a few times a second.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdio>

// The line's text for the counts so far after `elapsedMs` milliseconds.
QString ProgressText(std::size_t done, std::size_t total, std::size_t failed, qint64 elapsedMs);

class ProgressLine {
 public:
  // `enabled` is false when standard error is no terminal or the user asked for quiet.
  ProgressLine(std::FILE* stream, bool enabled, std::size_t total);

  // Redraws the line when the last redraw is long enough ago (or `force`).
  void Update(std::size_t done, std::size_t failed, bool force = false);
  // Clears the line so that another line can be printed in its place.
  void Clear();

 private:
  std::FILE* stream_;
  bool enabled_;
  std::size_t total_;
  bool shown_ = false;
  QElapsedTimer elapsed_;
  qint64 lastDrawMs_ = -1;
};
