// Asking the file system whether it was mounted to start programs.
#include "platform/program_folder.h"

#include <QFile>

#if defined(__linux__)
#include <sys/statvfs.h>
#endif

bool FolderAllowsPrograms(const QString& folder) {
#if defined(__linux__)
  struct statvfs info {};
  if (folder.isEmpty() || statvfs(QFile::encodeName(folder).constData(), &info) != 0) return true;
  return (info.f_flag & ST_NOEXEC) == 0;
#else
  static_cast<void>(folder);
  return true;
#endif
}
