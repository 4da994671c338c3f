// What a run shows while it goes on: a status text and a value from 0 to 100. The window's
// progress bar is one; tests use a plain recorder.
#pragma once

#include <QString>

class RunProgress {
 public:
  virtual ~RunProgress() = default;
  virtual QString StatusText() const = 0;
  virtual void SetStatusText(const QString& text) = 0;
  virtual void SetProgress(double value) = 0;
};
