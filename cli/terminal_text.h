// Text for a terminal or a log: names in it are hostile (a message may be named with escape
// sequences that retitle the terminal, clear it or colour it), so every control character
// is shown as an escape instead of being sent: "\e" for escape, "\n", "\r", "\t", "\xNN"
// for the other C0 controls, DEL and a byte of a name that is not UTF-8, "\u0085" for the
// C1 controls. Printable text in any script passes as UTF-8.
#pragma once

#include <QByteArray>
#include <QString>

QByteArray TerminalText(const QString& text);
