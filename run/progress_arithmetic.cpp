// The runner's waiting text and creeping value, computed in double precision with the
// halves-to-even rounding the bar has always used.
#include "run/progress_arithmetic.h"

#include <cmath>

#include "platform/app_error.h"

namespace progress {
namespace {

constexpr int kDivisionByZero = 11;

double Share(int fileCount) {
  if (fileCount == 0) throw AppError(QStringLiteral("Division by zero"), kDivisionByZero);
  return 100.0 / fileCount;
}

}  // namespace

double RoundHalfEven(double value) {
  const double down = std::floor(value);
  const double fraction = value - down;
  if (fraction < 0.5) return down;
  if (fraction > 0.5) return down + 1;
  return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

int Step(int fileCount) { return static_cast<int>(RoundHalfEven(Share(fileCount) / 10)); }

int Cap(int fileCount, int startValue) {
  return static_cast<int>(RoundHalfEven(Share(fileCount) + startValue - Step(fileCount)));
}

QString WaitingText(const QString& statusText, int tick) {
  QString text = statusText;
  if (!text.isEmpty()) text += QStringLiteral(", ");
  return text + QStringLiteral("Please wait.. ") + QString::number(tick - kFirstWaitingTick);
}

std::optional<double> ValueAtTick(int tick, int startValue, int fileCount) {
  if (tick < kFirstWaitingTick) return std::nullopt;
  const int sinceFirst = tick - kFirstWaitingTick;
  if (sinceFirst % kTicksPerValueStep != 0) return std::nullopt;
  const int step = Step(fileCount);
  const int cap = Cap(fileCount, startValue);
  const double value = static_cast<double>(sinceFirst) / kTicksPerValueStep * step + startValue;
  return value < cap ? value : cap;
}

QString FinalText(const QString& statusText) {
  return statusText.isEmpty() ? QStringLiteral("Progress Bar") : statusText;
}

}  // namespace progress
