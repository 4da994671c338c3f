// Reads a Windows cursor file (.cur) into a Qt cursor with the file's hot spot.
#pragma once

#include <QByteArray>
#include <QCursor>
#include <QString>

// Decodes the first image of a cursor file's bytes. Throws AppError ("Invalid picture") when
// the bytes are not a cursor this program can read.
QCursor CursorFromCurBytes(const QByteArray& bytes);
// Reads the file and decodes it as above; a file that cannot be read fails the same way.
QCursor LoadCursorFile(const QString& path);
