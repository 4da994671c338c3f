// FailureNotices: the failure boxes of one run, the choice to collect them, and "Done.".
#include "run/failure_notices.h"

#include "platform/dialogs.h"

namespace {
const QString kLineBreak = QStringLiteral("\r\n");
}  // namespace

QString FailureNotices::FailureText(const QString& source, const QString& reason) {
  return QStringLiteral("Failed to convert: ") + source + kLineBreak + reason;
}

QString FailureNotices::DoneText() const {
  return QStringLiteral("Done.") + kLineBreak +
         QStringLiteral("%1 converted, %2 failed").arg(converted_).arg(failures_.size());
}

void FailureNotices::Failed(const QString& source, const QString& reason) {
  failures_.emplace_back(source, reason);
  if (collecting_) return;
  collecting_ = dialogs_.ShowMessageWithCheckBox(FailureText(source, reason),
                                                 QStringLiteral("Do not show this again during this run"));
}

void FailureNotices::Done() {
  if (!collecting_) {
    dialogs_.ShowMessage(DoneText());
    return;
  }
  QString details;
  for (const auto& [source, reason] : failures_) details += source + kLineBreak + reason + kLineBreak + kLineBreak;
  details.chop(2 * kLineBreak.size());
  dialogs_.ShowMessageWithDetails(DoneText(), details);
}
