// The window's keyboard letters: every button, option and label of the window carries one
// letter, underlined in its caption, that Alt and the letter press. A caption may name its
// letter itself ("&Clear List"); the others (the document options' boxes, built from the
// option table) are given the first free letter that starts a word, else the first free
// letter of the caption, so a new row of the table never takes a letter already used.
#pragma once

#include <QChar>
#include <QSet>
#include <QString>

// The letter a caption's "&" marks, lower-cased; a null QChar for none ("&&" is a plain "&").
QChar AcceleratorOf(const QString& caption);

// `caption` with its letter: as it stands when it marks one, else with "&" before the first
// letter not in `taken` (word starts first). The letter is added to `taken`. A caption
// whose every letter is taken is returned as it stands.
QString WithAccelerator(const QString& caption, QSet<QChar>& taken);
