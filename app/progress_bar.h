// ProgressBar1: a progress bar that shows a text of its own and a value from 0 to 100.
// The value is kept exactly as set (it may pass 100 during a long wait); the bar draws it
// within its range. The text is shown as it is, "%" included, on one line.
#pragma once

#include <QProgressBar>
#include <QString>

#include "run/window/run_progress.h"

class ProgressBar : public QProgressBar, public RunProgress {
  Q_OBJECT
 public:
  explicit ProgressBar(QWidget* parent = nullptr);

  // The names differ from QProgressBar's value() and setValue(), which hold the drawn,
  // rounded and clamped integer.
  QString StatusText() const override { return text_; }
  void SetStatusText(const QString& text) override;
  double Progress() const { return value_; }
  void SetProgress(double value) override;

  // The text as set, "%" included.
  QString text() const override;
  // What the bar draws: the text on one line, its file name shortened in the middle when
  // the bar is too narrow for it (FitProgressText).
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  double value_ = 0;
};
