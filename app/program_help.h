// What `lorvane --help` prints: how the program is started, with the window or as the
// `lorvane convert` command; and what the window's "About" says.
#pragma once

#include <QString>

QString ProgramHelpText();

// The program's version, as `lorvane --version` prints it after the name.
QString ProgramVersion();
// The "About" box: the name with the version, what the program does, its maker.
QString AboutText();
