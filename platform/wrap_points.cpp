// Break points for long paths in message boxes (see wrap_points.h).
#include "platform/wrap_points.h"

namespace {
constexpr QChar kZeroWidthSpace(0x200B);

bool IsSeparator(QChar c) { return c == u'/' || c == u'\\'; }

// One run without spaces, with break points where it is too long.
void AppendRun(QString& out, QStringView run, int longestRun) {
  if (run.size() <= longestRun) {
    out += run;
    return;
  }
  int sinceBreak = 0;
  for (qsizetype i = 0; i < run.size(); ++i) {
    const QChar c = run[i];
    out += c;
    ++sinceBreak;
    const bool last = i + 1 == run.size();
    // Never between the two halves of a character outside the basic plane.
    const bool midCharacter = c.isHighSurrogate();
    if (!last && !midCharacter && (IsSeparator(c) || sinceBreak >= longestRun)) {
      out += kZeroWidthSpace;
      sinceBreak = 0;
    }
  }
}
}  // namespace

QString WithWrapPoints(const QString& text, int longestRun) {
  QString out;
  out.reserve(text.size());
  qsizetype runStart = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !text[i].isSpace()) continue;
    AppendRun(out, QStringView(text).mid(runStart, i - runStart), longestRun);
    if (i < text.size()) out += text[i];
    runStart = i + 1;
  }
  return out;
}
