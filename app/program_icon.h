// The program's icon, drawn in code so that no image file has to ship with it.
#pragma once

#include <QIcon>

// A sealed envelope over a page with a blue band: mail becoming a document.
QIcon ProgramIcon();
