// The figures the converter runner shows during a long wait, as pure functions of the tick:
// the waiting text from the 50th tick on, and the bar's creeping value every 150 ticks.
#pragma once

#include <QString>
#include <optional>

namespace progress {

// The tick from which the waiting text shows, and the number of ticks between value updates.
constexpr int kFirstWaitingTick = 50;
constexpr int kTicksPerValueStep = 150;

// Rounds to the nearest integer, halves going to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// How much the value grows per update: round(100 / fileCount / 10). Throws AppError
// (division by zero) when fileCount is 0.
int Step(int fileCount);
// The highest value the wait shows: round(100 / fileCount + startValue - step). Throws
// AppError (division by zero) when fileCount is 0.
int Cap(int fileCount, int startValue);

// The waiting text of a tick at or after the 50th: the status text, ", " when it is not
// empty, "Please wait.. " and the number of ticks past the 49th counted from 0.
QString WaitingText(const QString& statusText, int tick);

// The bar's value to set on this tick, or nothing when this tick sets no value (before the
// 50th tick and between the updates every 150 ticks).
std::optional<double> ValueAtTick(int tick, int startValue, int fileCount);

// The text the bar gets back when the wait is over.
QString FinalText(const QString& statusText);

}  // namespace progress
