// The application title, kept apart from Qt's display name (see window_titles.h).
#include "platform/window_titles.h"

#include <QCoreApplication>

namespace {
QString& StoredTitle() {
  static QString title;
  return title;
}
}  // namespace

void SetApplicationTitleText(const QString& title) { StoredTitle() = title; }

QString ApplicationTitleText() {
  return StoredTitle().isEmpty() ? QCoreApplication::applicationName() : StoredTitle();
}
