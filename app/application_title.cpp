// The application title cut from the product name.
#include "app/application_title.h"

namespace {
constexpr int kMaxTitleLength = 40;

// The text before the last space, or the text unchanged when it holds none.
QString CutAtLastSpace(const QString& text) {
  const qsizetype space = text.lastIndexOf(QLatin1Char(' '));
  return space < 0 ? text : text.left(space);
}
}  // namespace

QString ApplicationTitleFrom(const QString& productName) {
  QString title = CutAtLastSpace(productName);
  while (title.size() > kMaxTitleLength && title.contains(QLatin1Char(' ')))
    title = CutAtLastSpace(title);
  return title;
}
