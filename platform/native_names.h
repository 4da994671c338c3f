// File names as the system stores them (bytes) and as the program holds them (QString),
// without loss. Linux takes any bytes but "/" and NUL in a name; bytes that are not UTF-8
// would become U+FFFD through QFile::decodeName and name another file (or none) on the way
// back. Here each such byte is held as one lone surrogate U+DC80..U+DCFF and turned back
// into that same byte, so a name read from a folder opens the same file, and a document
// made from it carries the same bytes. Every other name reads as QFile::decodeName has it.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

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

// The file or folder a path names (links followed), as one pair of numbers: its device and
// inode, or on Windows its volume's serial number and file index. Nothing when it cannot be
// asked about.
std::optional<std::pair<std::uint64_t, std::uint64_t>> NativeFileIdentity(const QString& path);

// A path's native text (NativeName's bytes) as a std::filesystem path and back. On Windows
// the text is UTF-8, as the converter reads it, where a path made from a plain string would
// be read in the ANSI code page; elsewhere the bytes pass as they are.
inline std::filesystem::path NativePath(const std::string& native) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(native.begin(), native.end()));
#else
  return std::filesystem::path(native);
#endif
}
inline std::string NativeText(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
#else
  return path.string();
#endif
}
