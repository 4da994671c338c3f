// The bar's text made to fit on one line of the bar: a long file name gives way in its
// middle, so that the start ("Processing: "), the message's place in the run
// (" (N of M)") and the waiting counter at the end (", Please wait.. N") always show.
#pragma once

#include <QFontMetrics>
#include <QString>

// The text as the bar shows it within `width` pixels: line breaks and other control
// characters (a file name may hold them) as spaces; when it is too wide, the part between
// the first ": " and the place in the run (or the last ", Please wait.. ") shortened in the
// middle with "…".
QString FitProgressText(const QString& text, const QFontMetrics& metrics, int width);
