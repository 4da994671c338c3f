// Fitting the progress bar's text to one line (see progress_text_fit.h).
#include "app/progress_text_fit.h"

#include <QRegularExpression>

namespace {

// The phrase the converter runner puts before its tick counter.
const QString kWaitingPhrase = QStringLiteral(", Please wait.. ");
const QString kHeadEnd = QStringLiteral(": ");

bool BreaksTheLine(QChar c) {
  const QChar::Category category = c.category();
  return category == QChar::Other_Control || category == QChar::Separator_Line ||
         category == QChar::Separator_Paragraph;
}

QString OnOneLine(const QString& text) {
  QString line = text;
  for (QChar& c : line)
    if (BreaksTheLine(c)) c = u' ';
  return line;
}

}  // namespace

QString FitProgressText(const QString& text, const QFontMetrics& metrics, int width) {
  const QString line = OnOneLine(text);
  if (metrics.horizontalAdvance(line) <= width) return line;
  const qsizetype headEnd = line.indexOf(kHeadEnd);
  const qsizetype head = headEnd < 0 ? 0 : headEnd + kHeadEnd.size();
  qsizetype tail = line.lastIndexOf(kWaitingPhrase);
  if (tail < head) tail = line.size();
  // The message's place in the run (" (12 of 2000)") stays whole with the counter.
  static const QRegularExpression kPlace(QStringLiteral(" \\(\\d+ of \\d+\\)$"));
  const QRegularExpressionMatch place = kPlace.match(line.left(tail));
  if (place.hasMatch() && place.capturedStart() >= head) tail = place.capturedStart();
  const QString kept = line.left(head) + line.mid(tail);
  const int room = width - metrics.horizontalAdvance(kept);
  // Too narrow even for the parts kept whole: the end matters most.
  if (room < metrics.horizontalAdvance(QChar(0x2026))) return metrics.elidedText(line, Qt::ElideLeft, width);
  return line.left(head) + metrics.elidedText(line.mid(head, tail - head), Qt::ElideMiddle, room) + line.mid(tail);
}
