// The lorvane executable: creates the main window with the real platform services, runs its
// start-up, shows it centred on the screen and hands over to the event loop.
// `lorvane FILE...` opens the window with the files and folders queued; `lorvane convert ...`
// runs the command-line conversion instead, with no window or display.
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScreen>
#include <cstdio>
#include <cstring>

#include "app/form1.h"
#include "app/install_check.h"
#include "cli/convert_command.h"
#include "platform/file_system.h"
#include "platform/native_names.h"
#include "platform/qt_desktop.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_settings_store.h"
#include "platform/shutdown.h"

namespace {
void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}
}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "convert") == 0) {
    QCoreApplication core(argc, argv);
    QStringList arguments;
    for (int i = 2; i < argc; ++i) arguments << NameFromNative(argv[i]);
    return RunConvertCommand(arguments, ConsoleEnvironment());
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Lorvane"));
  QApplication::setOrganizationName(QStringLiteral("Kestrane"));

  const QString applicationFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
  if (qEnvironmentVariableIsSet("LORVANE_INSTALL_CHECK")) {
    const InstallCheck check = CheckApplicationFolder(applicationFolder);
    for (const QString& line : check.lines) std::printf("%s\n", qPrintable(line));
    return check.ok ? 0 : 1;
  }

  QtDialogs dialogs;
  QtSettingsStore settings;
  QtDesktop desktop;
  const std::unique_ptr<FileSystem> fileSystem = MakeLocalFileSystem();

  Form1Services services;
  services.dialogs = &dialogs;
  services.settings = &settings;
  services.desktop = &desktop;
  services.fileSystem = fileSystem.get();
  services.applicationFolder = applicationFolder;
  services.random = [] { return QRandomGenerator::global()->generateDouble(); };
  services.endProgram = [] { EndProgramNow(); };
  services.cursorPos = [] { return QCursor::pos(); };

  Form1 form(services);
  dialogs.SetOwner(&form);
  form.Form_Load();
  CentreOnScreen(form);
  form.show();
  // `lorvane FILE...` (a file manager's "Open with"): the files and folders are queued as
  // a drop queues them.
  const QStringList paths = QApplication::arguments().mid(1);
  if (!paths.isEmpty()) form.QueuePaths(paths);
  return app.exec();
}
