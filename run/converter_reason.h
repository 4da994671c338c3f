// Why a row produced no document, in one line for the user: the converter's own reason as
// it printed it on standard error, or, when it said nothing, how it ended. What the
// converter prints is kept within a small bound, whatever it writes.
#pragma once

#include <QByteArray>
#include <QString>

// Collects a program's standard error while it runs, keeping at most kKeptBytes of it; the
// rest is read and dropped, so a program that prints without end costs no memory.
class ErrorOutput {
 public:
  static constexpr qsizetype kKeptBytes = 4096;
  // The longest reason shown; a longer first line is cut and ends in "...".
  static constexpr qsizetype kReasonCharacters = 300;

  void Append(const QByteArray& bytes);
  // The first line with text on it, trimmed and cut to kReasonCharacters; empty when the
  // program printed nothing but blanks.
  QString Reason() const;

 private:
  QByteArray kept_;
};

// The status RunAndWait's caller records for a row whose converter never ran to an end.
constexpr int kConverterNotRun = -1;

// The reason shown for a row that failed: the converter's reason when it gave one, else
// what its status says (not started, an exit status, or no document written).
QString FailureReason(const QString& converterReason, int status);
