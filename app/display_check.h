// Whether the window can be shown: the display the window system would connect to is named.
// Checked before Qt is started, because Qt ends the process (an abort) when it cannot
// reach a display.
#pragma once

#include <QString>

// What decides where the window would go: the platform named with "-platform" or in
// QT_QPA_PLATFORM (empty for Qt's default), and the DISPLAY and WAYLAND_DISPLAY variables.
struct DisplayEnvironment {
  QString platform;
  QString x11Display;
  QString waylandDisplay;
};

// The environment of this process with the arguments it was started with.
DisplayEnvironment CurrentDisplayEnvironment(int argc, char** argv);

// True when a display is named for the platform the window would use. A platform that needs
// no display (offscreen, a frame buffer, VNC) always has one.
bool DisplayNamed(const DisplayEnvironment& environment);

// The one line printed, without its line break, when the window cannot be shown.
QString NoDisplayText();

// Whether a line the window's start ends with (a path that is not there, an unknown option)
// is also shown in a box: when standard error is no terminal, as for a program started
// from a launcher or a file manager, and the platform draws on a screen someone looks at.
bool StartFailureWantsBox(bool errIsTerminal, const QString& platformName);
