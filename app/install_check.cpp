// Checks the files the program expects in its application folder (see install_check.h).
#include "app/install_check.h"

#include <QDir>
#include <QPixmap>
#include <exception>

#include "app/cursor_file.h"
#include "run/engine/converter_image.h"
#include "platform/paths.h"

namespace {
void Report(InstallCheck& check, bool found, const QString& what) {
  check.lines << (found ? QStringLiteral("ok      ") : QStringLiteral("MISSING ")) + what;
  check.ok = check.ok && found;
}

bool CursorLoads(const QString& path) {
  try {
    LoadCursorFile(path);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}
}  // namespace

InstallCheck CheckApplicationFolder(const QString& applicationFolder) {
  InstallCheck check;
  const QString folder = applicationFolder + PathSeparator();
  check.lines << QStringLiteral("application folder: ") + applicationFolder;

  Report(check, CursorLoads(folder + QStringLiteral("HAND-M.CUR")), folder + QStringLiteral("HAND-M.CUR"));
  Report(check, !QPixmap(folder + QStringLiteral("drag.ico")).isNull(), folder + QStringLiteral("drag.ico"));
  const QStringList samples =
      QDir(folder + QStringLiteral("Samples")).entryList({QStringLiteral("*.msg")}, QDir::Files);
  Report(check, !samples.isEmpty(),
         folder + QStringLiteral("Samples (%1 messages)").arg(samples.size()));
  Report(check, !ConverterImage().isEmpty(),
         QStringLiteral("converter carried inside (%1 bytes)").arg(ConverterImage().size()));
  return check;
}
