// QtDesktop on Windows: the shell opens a folder in Explorer and an address in the user's
// browser (ShellExecuteW), without the program waiting; a target the shell refuses is said
// at once. The opener named at construction is not used here.
#include "platform/qt_desktop.h"

#include <windows.h>

#include <shellapi.h>

#include <QUrl>

#include "platform/app_error.h"
#include "platform/wide_path.h"

namespace {
const QString kLineBreak = QStringLiteral("\r\n");

QString ShellReason(INT_PTR code) {
  switch (code) {
    case 0:
    case SE_ERR_OOM:
      return QStringLiteral("The system is out of memory.");
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return QStringLiteral("It was not found.");
    case SE_ERR_ACCESSDENIED:
      return QStringLiteral("Access is denied.");
    case SE_ERR_NOASSOC:
      return QStringLiteral("No application is associated with it.");
    default:
      return QStringLiteral("The shell refused it (%1).").arg(static_cast<long long>(code));
  }
}
}  // namespace

void QtDesktop::Open(const QString& target, const QString& failureText) {
  const std::wstring wide = target.toStdWString();
  const INT_PTR code = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (code <= 32) throw AppError(failureText + kLineBreak + ShellReason(code), error_number::kFileNotFound);
}

void QtDesktop::OpenFolder(const QString& folder) {
  Open(QDir::toNativeSeparators(folder), QStringLiteral("The folder cannot be opened: ") + folder);
}

void QtDesktop::OpenUrl(const QString& url) {
  if (!QUrl(url, QUrl::StrictMode).isValid())
    throw AppError(QStringLiteral("The address cannot be opened: ") + url, error_number::kFileNotFound);
  Open(url, QStringLiteral("The address cannot be opened: ") + url);
}
