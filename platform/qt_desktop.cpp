// QtDesktop: hands folders and addresses to the desktop, which opens them without the
// program waiting.
#include "platform/qt_desktop.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/app_error.h"

void QtDesktop::OpenFolder(const QString& folder) {
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
    throw AppError(QStringLiteral("The folder cannot be opened: ") + folder,
                   error_number::kFileNotFound);
}

void QtDesktop::OpenUrl(const QString& url) {
  if (!QDesktopServices::openUrl(QUrl(url, QUrl::StrictMode)))
    throw AppError(QStringLiteral("The address cannot be opened: ") + url,
                   error_number::kFileNotFound);
}
