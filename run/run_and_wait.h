// RunAndWait: starts one program with its arguments, waits until it has ended while the
// window stays responsive, shows on a progress bar that a long wait is still going on, and
// returns the program's exit status.
#pragma once

#include <QString>
#include <QStringList>

class ProgressBar;

namespace run_and_wait {
// The status of a program that has not ended yet.
constexpr int kStillActive = 259;
// Added to the start error's number when the program cannot be started.
constexpr int kStartErrorBase = -2147221504;
// The status reported for a program that was ended by a signal, before the signal number.
constexpr int kSignalStatusBase = 128;
// The window style that shows nothing; the conversion run passes it.
constexpr int kHidden = 0;
}  // namespace run_and_wait

// The start error's number for a program that could not be started: 53 when there is no
// such file, 70 when it may not be run, 5 for any other reason.
int StartErrorNumber(const QString& program);

// Starts the program directly (no shell, so every argument arrives as it stands, quotes and
// spaces included) with its standard input and output on the null device, then polls about ten
// times a second: query the status, yield, wait up to 100 ms (less when the program ends),
// update the bar, yield, and go round while the program runs. From the 50th tick the bar
// shows the waiting text and, every 150 ticks, a value creeping from startValue towards the
// next file's share; at the end the bar gets the status text back (or "Progress Bar").
//
// Returns the exit status, 128 + the signal number when a signal ended the program, or the
// start error's number plus kStartErrorBase when it could not be started; then, when
// startFailure is given, it receives the system's reason ("execve: Permission denied").
// When reason is given it receives the first line the program printed on standard error
// (see ErrorOutput: at most a few kilobytes are kept, however much it prints), else empty.
// windowStyle is kept for the callers' sake: programs started here never get a window.
// Throws AppError (division by zero) before starting anything when a bar is given with a
// fileCount of 0.
int RunAndWait(const QString& program, const QStringList& arguments, int windowStyle,
               ProgressBar* bar, const QString& statusText, int startValue, int fileCount,
               QString* startFailure = nullptr, QString* reason = nullptr);
