// The application title that the desktop shows for the program and that every message box
// without a caption of its own carries.
#pragma once

#include <QString>

// The product's name.
inline const QString kProductName = QStringLiteral("Lorvane");

// Cuts a product name at its last space at least once, then again while it is longer than
// 40 characters. A name without any space is kept whole (there is nothing to cut at), and
// cutting stops when no space is left, so the title is never empty for a non-empty name.
QString ApplicationTitleFrom(const QString& productName);
