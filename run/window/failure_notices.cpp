// FailureNotices: the failure boxes of one run, the choice to collect them, and the
// closing box.
#include "run/window/failure_notices.h"

#include "platform/dialogs.h"
#include "run/window/save_list.h"

namespace {
const QString kLineBreak = QStringLiteral("\r\n");
}  // namespace

QString FailureNotices::FailureText(const QString& source, const QString& reason) {
  return QStringLiteral("Failed to convert: ") + source + kLineBreak + reason;
}

QString FailureNotices::ClosingText(bool stopped) const {
  QString counts = QStringLiteral("%1 converted, %2 failed").arg(converted_).arg(failures_.size());
  if (stopped_ > 0) counts += QStringLiteral(", %1 stopped").arg(stopped_);
  if (stopped || notStarted_ > 0) counts += QStringLiteral(", %1 not started").arg(notStarted_);
  if (skipped_ > 0) counts += QStringLiteral(", %1 skipped").arg(skipped_);
  if (listedTwice_ > 0) counts += QStringLiteral(", %1 listed twice").arg(listedTwice_);
  return (stopped ? QStringLiteral("Stopped.") : QStringLiteral("Done.")) + kLineBreak + counts;
}

QString FailureNotices::Details() const {
  QString details;
  for (const auto& [source, reason] : failures_) details += source + kLineBreak + reason + kLineBreak + kLineBreak;
  details.chop(2 * kLineBreak.size());
  return details;
}

void FailureNotices::Failed(const QString& source, const QString& reason) {
  failures_.emplace_back(source, reason);
  if (collecting_) return;
  collecting_ = dialogs_.ShowMessageWithCheckBox(FailureText(source, reason),
                                                 QStringLiteral("Do not show this again during this run"));
}

bool FailureNotices::Done(bool stopped, const QString& folder, const std::vector<ReportLine>& report) {
  const Dialogs::Icon icon = failures_.empty() ? Dialogs::Icon::None : Dialogs::Icon::Exclamation;
  const std::function<void()> saveList =
      failures_.empty() || report.empty() ? std::function<void()>() : SaveListAction(dialogs_, report, folder);
  return dialogs_.ShowMessageWithDetails(ClosingText(stopped), Details(), icon,
                                         folder.isEmpty() ? QString() : QStringLiteral("Open Folder"), saveList);
}
