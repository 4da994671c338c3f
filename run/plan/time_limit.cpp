// Reading a time limit from text.
#include "run/plan/time_limit.h"

std::optional<int> ParseTimeLimit(const QString& text) {
  bool ok = false;
  const int seconds = text.trimmed().toInt(&ok);
  if (!ok || seconds < time_limit::kLowestSeconds || seconds > time_limit::kHighestSeconds) return std::nullopt;
  return seconds;
}
