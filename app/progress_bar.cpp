// ProgressBar1: the bar draws its value clamped to 0..100 and shows its own text verbatim.
#include "app/progress_bar.h"

#include <cmath>

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, 100);
  setValue(0);
  setTextVisible(true);
  setAlignment(Qt::AlignCenter);
}

void ProgressBar::SetText(const QString& text) {
  text_ = text;
  // The format is never used for display (text() is overridden), but keeping it free of
  // placeholders keeps accessibility tools from expanding "%p" in a file name.
  update();
}

void ProgressBar::SetValue(double value) {
  value_ = value;
  double shown = std::isfinite(value) ? value : 0.0;
  if (shown < 0) shown = 0;
  if (shown > 100) shown = 100;
  setValue(static_cast<int>(std::lround(shown)));
}

QString ProgressBar::text() const { return text_; }
