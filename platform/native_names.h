// File names as the system stores them (bytes) and as the program holds them (QString),
// without loss. Linux takes any bytes but "/" and NUL in a name; bytes that are not UTF-8
// would become U+FFFD through QFile::decodeName and name another file (or none) on the way
// back. Here each such byte is held as one lone surrogate U+DC80..U+DCFF and turned back
// into that same byte, so a name read from a folder opens the same file, and a document
// made from it carries the same bytes. Every other name reads as QFile::decodeName has it.
#pragma once

#include <QByteArray>
#include <QString>

// The path's bytes for the system's calls.
QByteArray NativeName(const QString& path);
// The path as the program holds it.
QString NameFromNative(const QByteArray& bytes);
QString NameFromNative(const char* bytes);

// True when the path holds a byte that is not UTF-8 (held as a lone surrogate).
bool HoldsRawBytes(const QString& path);

// Stat-based tests on the path's exact bytes; they never throw and follow links.
bool NativeExists(const QString& path);
bool NativeIsFolder(const QString& path);
