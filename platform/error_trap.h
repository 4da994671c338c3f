// The common error trap: runs a handler's numbered steps so that a failing step shows the
// "Application Error" box with the handler's location text and the step's line number,
// after which the handler goes on with its next step. A failing test counts as held, so the
// handler goes on into the test's "then" branch.
#pragma once

#include <QString>
#include <functional>

class Dialogs;

// Runs work. Returns true when it completed; on a failure returns false with a short
// description of what went wrong.
bool RunCatchingFailure(const std::function<void()>& work, QString& description);

// The box text: description, CR LF, location, "at line ", number, CR CR, support request.
QString ApplicationErrorText(const QString& description, const QString& location, int line);

// Shows the "Application Error" box (exclamation icon, OK button) and waits for OK.
void ShowApplicationError(Dialogs& dialogs, const QString& description, const QString& location,
                          int line);

class ErrorTrap {
 public:
  ErrorTrap(Dialogs& dialogs, QString location);

  // Runs one step. Returns true when it completed; on a failure shows the box and returns false.
  bool Step(int line, const std::function<void()>& step);
  // Evaluates a test. On a failure shows the box and returns true (the test counts as held).
  bool Test(int line, const std::function<bool()>& test);

 private:
  Dialogs& dialogs_;
  QString location_;
};
