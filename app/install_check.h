// A look at the application folder as the installed program sees it: whether the files it
// looks for beside itself are there and readable. Packaging tests run the installed program
// with LORVANE_INSTALL_CHECK set to print this report instead of opening the window.
#pragma once

#include <QString>
#include <QStringList>

struct InstallCheck {
  QStringList lines;  // one line per item, "ok" or "MISSING" first
  bool ok = true;
};

// Checks "HAND-M.CUR" (a readable cursor), "drag.ico" (a readable image), the "Samples"
// folder (at least one message in it) and the converter carried inside the program.
InstallCheck CheckApplicationFolder(const QString& applicationFolder);
