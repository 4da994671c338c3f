// Choosing and reading the keyboard letters of the window's captions.
#include "app/accelerators.h"

QChar AcceleratorOf(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] == u'&') {
      ++i;
      continue;
    }
    return caption[i + 1].toLower();
  }
  return {};
}

QString WithAccelerator(const QString& caption, QSet<QChar>& taken) {
  if (const QChar marked = AcceleratorOf(caption); !marked.isNull()) {
    taken.insert(marked);
    return caption;
  }
  auto free = [&](qsizetype i) { return caption[i].isLetterOrNumber() && !taken.contains(caption[i].toLower()); };
  qsizetype chosen = -1;
  for (qsizetype i = 0; i < caption.size() && chosen < 0; ++i) {
    const bool wordStart = i == 0 || !caption[i - 1].isLetterOrNumber();
    if (wordStart && free(i)) chosen = i;
  }
  for (qsizetype i = 0; i < caption.size() && chosen < 0; ++i) {
    if (free(i)) chosen = i;
  }
  if (chosen < 0) return caption;
  taken.insert(caption[chosen].toLower());
  QString marked = caption;
  marked.insert(chosen, u'&');
  return marked;
}
