// The display check of the window's start. Qt's platform names: "xcb" needs an X display,
// "wayland" (and "wayland-egl") a Wayland one; a list "wayland;xcb" is tried in order, and
// options after ':' belong to the platform.
#include "app/display_check.h"

#include <QStringList>
#include <cstring>

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
bool Named(const QString& platform, const DisplayEnvironment& environment) {
  const QString name = platform.section(u':', 0, 0).trimmed();
  if (name == QLatin1String("xcb")) return !environment.x11Display.isEmpty();
  if (name.startsWith(QLatin1String("wayland"))) return !environment.waylandDisplay.isEmpty();
  return !name.isEmpty();
}
#endif
}  // namespace

DisplayEnvironment CurrentDisplayEnvironment(int argc, char** argv) {
  DisplayEnvironment environment;
  environment.platform = qEnvironmentVariable("QT_QPA_PLATFORM");
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
      environment.platform = QString::fromLocal8Bit(argv[i + 1]);
  }
  environment.x11Display = qEnvironmentVariable("DISPLAY");
  environment.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
  return environment;
}

bool DisplayNamed(const DisplayEnvironment& environment) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  if (environment.platform.trimmed().isEmpty())
    return !environment.x11Display.isEmpty() || !environment.waylandDisplay.isEmpty();
  const QStringList platforms = environment.platform.split(u';', Qt::SkipEmptyParts);
  for (const QString& platform : platforms) {
    if (Named(platform, environment)) return true;
  }
  return false;
#else
  // Windows and macOS always have their desktop.
  Q_UNUSED(environment);
  return true;
#endif
}

QString NoDisplayText() {
  return QStringLiteral(
      "lorvane: the window needs a display, and none can be reached (DISPLAY or WAYLAND_DISPLAY); "
      "'lorvane convert' converts without one (see 'lorvane convert --help')");
}

bool StartFailureWantsBox(bool errIsTerminal, const QString& platformName) {
  return !errIsTerminal && platformName != QLatin1String("offscreen") && platformName != QLatin1String("minimal");
}
