// QtDesktop: hands folders and addresses to the desktop's opener, which opens them without
// the program waiting. The opener runs on; its exit status and its last line of complaint
// are looked at when it ends, so a folder the desktop has no application for is said.
#include "platform/qt_desktop.h"

#include <QProcess>
#include <QUrl>
#include <functional>

#include "platform/app_error.h"

namespace {
// How long the opener may take to start before it counts as missing.
constexpr int kStartMs = 5000;
const QString kLineBreak = QStringLiteral("\r\n");

// The last non-empty line the opener wrote, or its exit status.
QString OpenerReason(QProcess& process, int exitCode, QProcess::ExitStatus status) {
  const QStringList lines = QString::fromLocal8Bit(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
  if (!lines.isEmpty()) return lines.last().trimmed();
  if (status != QProcess::NormalExit) return QStringLiteral("The opener stopped unexpectedly.");
  return QStringLiteral("The opener ended with status %1.").arg(exitCode);
}
}  // namespace

void QtDesktop::Open(const QString& target, const QString& failureText) {
  auto* process = new QProcess;
  process->setProgram(opener_);
  process->setArguments({target});
  // What the opener's application writes is its own; only the opener's complaint is kept.
  process->setStandardOutputFile(QProcess::nullDevice());
  process->start();
  if (!process->waitForStarted(kStartMs)) {
    const QString reason = process->errorString();
    delete process;
    throw AppError(failureText + kLineBreak + reason, error_number::kFileNotFound);
  }
  const std::function<void(const QString&)> report = lateFailure_;
  QObject::connect(process, &QProcess::finished, process,
                   [process, report, failureText](int exitCode, QProcess::ExitStatus status) {
                     if ((exitCode != 0 || status != QProcess::NormalExit) && report)
                       report(failureText + kLineBreak + OpenerReason(*process, exitCode, status));
                     process->deleteLater();
                   });
}

void QtDesktop::OpenFolder(const QString& folder) {
  Open(folder, QStringLiteral("The folder cannot be opened: ") + folder);
}

void QtDesktop::OpenUrl(const QString& url) {
  if (!QUrl(url, QUrl::StrictMode).isValid())
    throw AppError(QStringLiteral("The address cannot be opened: ") + url, error_number::kFileNotFound);
  Open(url, QStringLiteral("The address cannot be opened: ") + url);
}
