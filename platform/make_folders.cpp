// MakeFolderPath: one mkdir per missing folder, from the top down, on the path's exact bytes.
#include "platform/make_folders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/native_names.h"

bool MakeFolderPath(const QString& folder, QString& failure) {
  const QByteArray path = NativeName(folder);
  if (path.isEmpty()) {
    failure = QStringLiteral("No folder was named.");
    return false;
  }
  // Each prefix up to a separator, then the whole path; a run of separators counts as one.
  for (qsizetype end = 1; end <= path.size(); ++end) {
    if (end < path.size() && (path[end] != '/' || path[end - 1] == '/')) continue;
    const QByteArray prefix = path.left(end);
    if (::mkdir(prefix.constData(), 0777) == 0) continue;
    const int error = errno;
    struct stat st;
    // Already there as a folder (or a link to one): the next one down.
    if (::stat(prefix.constData(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    failure = QString::fromLocal8Bit(std::strerror(error == EEXIST ? ENOTDIR : error)) + QStringLiteral(": ") +
              NameFromNative(prefix);
    return false;
  }
  return true;
}
