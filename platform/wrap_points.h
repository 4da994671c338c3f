// Places where a message box may break a long path across lines. A box breaks its text only
// at spaces, so one long path would make it as wide as the path, or wider than the screen.
#pragma once

#include <QString>

// The text with an invisible break point (U+200B, zero width space) after each folder
// separator of every run of more than `longestRun` characters without a space, and after
// every `longestRun` characters of such a run that has no separator there. Shorter runs,
// and so most texts, come back unchanged.
QString WithWrapPoints(const QString& text, int longestRun = 40);
