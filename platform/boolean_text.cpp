// Boolean texts of the settings store.
#include "platform/boolean_text.h"

#include <cmath>

#include "platform/app_error.h"

bool TextToBoolean(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
  if (trimmed.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
  bool ok = false;
  const double number = trimmed.toDouble(&ok);
  if (!ok || !std::isfinite(number))
    throw AppError(QStringLiteral("Type mismatch"), error_number::kTypeMismatch);
  return number != 0;
}

QString BooleanToText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }
