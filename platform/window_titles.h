// Window titles exactly as written. Qt on X11 and Wayland appends " — " and the
// application's display name to every window title once a display name is set, which would
// turn "Add File(s) - Hold Ctrl to select multiple files" into something else. So the
// program never sets a display name: the application title, the caption of every box that
// has none of its own, is kept here instead.
#pragma once

#include <QString>

void SetApplicationTitleText(const QString& title);
// The title set last; the application's name until one is set.
QString ApplicationTitleText();
