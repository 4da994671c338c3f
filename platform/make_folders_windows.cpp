// MakeFolderPath on Windows: one CreateDirectoryW per missing folder, from the top down.
#include "platform/make_folders.h"

#include <windows.h>

#include <QDir>

#include "platform/wide_path.h"

namespace {

QString SystemWords(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  QString words = length ? QString::fromWCharArray(text, length).trimmed() : QStringLiteral("error %1").arg(error);
  if (text) ::LocalFree(text);
  if (words.endsWith(u'.')) words.chop(1);
  return words;
}

}  // namespace

bool MakeFolderPath(const QString& folder, QString& failure) {
  const QString path = QDir::toNativeSeparators(folder);
  if (path.isEmpty()) {
    failure = QStringLiteral("No folder was named.");
    return false;
  }
  // Each prefix up to a separator, then the whole path; a drive ("C:") and a share's
  // server and name ("\\server\share") are there or not, never made.
  qsizetype first = 1;
  if (path.startsWith(QLatin1String("\\\\"))) {
    const qsizetype server = path.indexOf(u'\\', 2);
    const qsizetype share = server < 0 ? -1 : path.indexOf(u'\\', server + 1);
    first = share < 0 ? path.size() : share + 1;
  } else if (path.size() >= 2 && path.at(1) == u':') {
    first = 3;
  }
  for (qsizetype end = first; end <= path.size(); ++end) {
    if (end < path.size() && (path[end] != u'\\' || path[end - 1] == u'\\')) continue;
    const QString prefix = path.left(end);
    if (::CreateDirectoryW(WidePath(prefix).c_str(), nullptr)) continue;
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(WidePath(prefix).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    failure = SystemWords(error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : error) + QStringLiteral(": ") + prefix;
    return false;
  }
  return true;
}
