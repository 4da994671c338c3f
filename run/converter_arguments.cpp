// One place that spells the converter's arguments, so every caller asks it the same way.
#include "run/converter_arguments.h"

QStringList ConverterArguments(const QString& source, const QString& output, bool headerBlock) {
  QStringList arguments;
  if (headerBlock) arguments << QStringLiteral("--header");
  arguments << source << output;
  return arguments;
}
