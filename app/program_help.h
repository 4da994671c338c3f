// What `lorvane --help` prints: how the program is started, with the window or as the
// `lorvane convert` command.
#pragma once

#include <QString>

QString ProgramHelpText();
