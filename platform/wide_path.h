// Windows only: a path as the system's wide calls take it (UTF-16, backslashes), and the
// identity of the file or folder a path names (its volume's serial number and its file
// index), the Windows counterpart of a device and inode.
#pragma once

#include <QDir>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

inline std::wstring WidePath(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

// The identity of what `path` names, following a link when `follow`; nothing when it cannot
// be opened.
std::optional<std::pair<std::uint64_t, std::uint64_t>> FileIdentity(const std::wstring& path, bool follow = true);
