// Lets GoogleTest print QString values as readable text in failure messages; the shared
// window fixture includes it, so every test of the main program gets it.
#pragma once

#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
