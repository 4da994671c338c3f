// Making a folder with every missing folder above it, as `mkdir -p` makes it: the window's
// offer to make a typed output folder and `lorvane convert --output` share it.
#pragma once

#include <QString>

// Makes `folder` and the folders missing above it (an existing folder is left as it is).
// Returns false with the reason when one cannot be made: the system's words and the folder
// that failed, e.g. "Permission denied: /srv/out".
bool MakeFolderPath(const QString& folder, QString& failure);
