// The lorvane executable: creates the main window with the real platform services, runs its
// start-up, shows it centred on the screen and hands over to the event loop.
// `lorvane FILE...` opens the window with the files and folders queued; `lorvane convert ...`
// runs the command-line conversion instead, with no window or display; `lorvane --help` and
// `lorvane --version` print and end. Without a display, or with an option it does not know
// or a path that is not there, the program says so in one line and ends with status 2.
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QRandomGenerator>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "app/application_title.h"
#include "app/display_check.h"
#include "app/form1.h"
#include "app/install_check.h"
#include "app/program_help.h"
#include "cli/convert_command.h"
#include "cli/convert_options.h"
#include "cli/stop_signals.h"
#include "platform/file_system.h"
#include "platform/native_names.h"
#include "platform/qt_desktop.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_settings_store.h"
#include "platform/shutdown.h"
#include "platform/window_titles.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr int kUsageStatus = 2;

// Messages Qt gives while it starts, held back until it has started: should it fail to
// reach the display (a display named but not there), the program's own line is the only
// one printed, instead of Qt's lines and an abort.
QtMessageHandler qtHandler = nullptr;
std::vector<std::pair<QtMsgType, QString>>* heldMessages = nullptr;

void HoldStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "%s\n", qPrintable(NoDisplayText()));
    std::_Exit(kUsageStatus);
  }
  Q_UNUSED(context);
  if (heldMessages) heldMessages->emplace_back(type, text);
}

void ReleaseStartMessages() {
  qInstallMessageHandler(qtHandler);
  const QMessageLogContext context;
  for (const auto& [type, text] : *heldMessages) qtHandler(type, context, text);
  heldMessages->clear();
}

// Ends a start that named something it cannot open: the line printed already, and, when
// no one reads standard error (a launcher started the program), the same in a box.
int RefuseToStart(const QString& text) {
  if (StartFailureWantsBox(::isatty(STDERR_FILENO) == 1, QGuiApplication::platformName())) {
    SetApplicationTitleText(kProductName);
    QtDialogs dialogs;
    dialogs.ShowMessage(text, {}, Dialogs::Icon::Exclamation);
  }
  return kUsageStatus;
}

// The words after the program's name. On Windows argv is in the ANSI code page, which
// cannot hold most names: the command line is read again as UTF-16.
QStringList ProgramArguments(int argc, char** argv) {
  QStringList arguments;
#ifdef _WIN32
  static_cast<void>(argc);
  static_cast<void>(argv);
  int count = 0;
  if (LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) arguments << QString::fromWCharArray(words[i]);
    ::LocalFree(words);
  }
#else
  for (int i = 1; i < argc; ++i) arguments << NameFromNative(argv[i]);
#endif
  return arguments;
}

#ifdef _WIN32
// The command's console on Windows. lorvane.com, the console twin of the window's
// lorvane.exe, has one from the start (a console picks it for `lorvane convert`, .COM
// coming before .EXE); lorvane.exe started from a console with nowhere to write takes its
// parent's console, so `lorvane.exe convert` still shows its progress and closing line.
// Either way the text is UTF-8, as the command writes it.
void UseConsole() {
  if (::GetStdHandle(STD_ERROR_HANDLE) == nullptr && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
    static_cast<void>(std::freopen("CONOUT$", "w", stdout));
    static_cast<void>(std::freopen("CONOUT$", "w", stderr));
  }
  ::SetConsoleOutputCP(CP_UTF8);
}
#endif

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}
}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "convert") == 0) {
#ifdef _WIN32
    UseConsole();
#endif
    QCoreApplication core(argc, argv);
    return RunConvertCommand(ProgramArguments(argc, argv).mid(1), ConsoleEnvironment());
  }
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(qPrintable(ProgramHelpText()), stdout);
    return 0;
  }
  if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
    std::fputs(qPrintable(ConvertVersionText()), stdout);
    return 0;
  }
  if (!DisplayNamed(CurrentDisplayEnvironment(argc, argv))) {
    std::fprintf(stderr, "%s\n", qPrintable(NoDisplayText()));
    return kUsageStatus;
  }
  std::vector<std::pair<QtMsgType, QString>> held;
  heldMessages = &held;
  qtHandler = qInstallMessageHandler(HoldStartMessage);
  QApplication app(argc, argv);
  ReleaseStartMessages();
  // Qt has taken its own arguments ("-platform", "-style", ...); what is left are files and
  // folders to queue. An option, or a path that is not there (a mistyped command), ends here.
  QStringList paths;
#ifdef _WIN32
  // Qt has read the wide command line too and left out its own arguments.
  const QStringList words = QCoreApplication::arguments().mid(1);
#else
  const QStringList words = ProgramArguments(argc, argv);
#endif
  for (const QString& path : words) {
    if (path.startsWith(u'-')) {
      std::fprintf(stderr, "lorvane: unknown option %s (try 'lorvane --help')\n", NativeName(path).constData());
      return RefuseToStart(QStringLiteral("Lorvane does not know this option:\r\n") + path);
    }
    if (!QFileInfo::exists(path)) {
      std::fprintf(stderr, "lorvane: no such file or folder: %s (try 'lorvane --help')\n", NativeName(path).constData());
      return RefuseToStart(QStringLiteral("This file or folder cannot be found:\r\n") + path);
    }
    paths << path;
  }
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
  // A folder the desktop turns down after its opener has started (no file manager, say).
  desktop.SetLateFailure([&dialogs](const QString& text) { dialogs.ShowMessage(text, {}, Dialogs::Icon::Exclamation); });
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

  // SIGTERM, SIGHUP and Ctrl-C end the window the way closing it does: a run under way is
  // stopped first, its converters ended and their leftovers and folder removed.
  const StopSignals stopSignals;
#ifdef _WIN32
  // Windows notifies sockets only: the console's stop is looked for a few times a second.
  QTimer stopLook;
  QObject::connect(&stopLook, &QTimer::timeout, [&stopSignals] {
    if (stopSignals.Received() != 0) EndProgramNow();
  });
  stopLook.start(250);
#else
  std::optional<QSocketNotifier> stopNotifier;
  if (stopSignals.Descriptor() >= 0) {
    stopNotifier.emplace(stopSignals.Descriptor(), QSocketNotifier::Read);
    QObject::connect(&*stopNotifier, &QSocketNotifier::activated, [] { EndProgramNow(); });
  }
#endif

  Form1 form(services);
  dialogs.SetOwner(&form);
  form.Form_Load();
  CentreOnScreen(form);
  form.show();
  // `lorvane FILE...` (a file manager's "Open with"): the files and folders are queued as
  // a drop queues them.
  if (!paths.isEmpty()) form.QueuePaths(paths);
  return app.exec();
}
