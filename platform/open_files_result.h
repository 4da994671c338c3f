// The file-open dialog's result in the form the add handler takes apart: empty text when
// nothing was chosen, one full path for one file, otherwise the folder followed by each
// chosen name, the parts separated by NUL characters.
#pragma once

#include <QStringList>

// The most characters a result may hold, its terminating NUL included: 256 KiB of
// characters, room for several thousand names of an ordinary length. A larger selection
// fails as the dialog's own buffer would.
constexpr qsizetype kOpenFilesCapacity = 256 * 1024;

// Builds the result from the chosen files' full paths. Names of files outside the first
// file's folder are given relative to it. Throws AppError error_number::kDialogBufferTooSmall
// when the result does not fit kOpenFilesCapacity.
QString OpenFilesResult(const QStringList& paths);

// Turns a filter of "description|pattern|" pairs into the dialog's own filter lines.
QStringList OpenFilesFilters(const QString& filter);
