// ProgressBar1: the bar draws its value clamped to 0..100 and shows its own text verbatim,
// fitted to one line.
#include "app/progress_bar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>
#include <cmath>

#include "app/progress_text_fit.h"

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, 100);
  setValue(0);
  setTextVisible(true);
  setAlignment(Qt::AlignCenter);
}

void ProgressBar::SetStatusText(const QString& text) {
  // Qt would expand "%p", "%v" and "%m" in a format; the bar shows text() instead, which
  // returns this text untouched, so a file name holding them is shown as it is.
  text_ = text;
  update();
}

void ProgressBar::SetProgress(double value) {
  value_ = value;
  double shown = std::isfinite(value) ? value : 0.0;
  if (shown < 0) shown = 0;
  if (shown > 100) shown = 100;
  setValue(static_cast<int>(std::lround(shown)));
}

QString ProgressBar::text() const { return text_; }

QString ProgressBar::ShownText() const {
  QStyleOptionProgressBar option;
  initStyleOption(&option);
  const QRect label = style()->subElementRect(QStyle::SE_ProgressBarLabel, &option, this);
  // A character's room on each side, so the text never touches the bar's frame.
  const int margin = fontMetrics().averageCharWidth();
  return FitProgressText(text_, fontMetrics(), label.width() - 2 * margin);
}

void ProgressBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionProgressBar option;
  initStyleOption(&option);
  option.text = ShownText();
  painter.drawControl(QStyle::CE_ProgressBar, option);
}
