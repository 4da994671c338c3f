// Path and file helpers: taking paths apart and joining them (pure functions of a path
// style), and the small file-system tests the handlers use.
#pragma once

#include <QByteArray>
#include <QString>

enum class PathStyle { Windows, Posix };

// The style of the platform the program runs on.
PathStyle NativePathStyle();
// "\" for Windows style, "/" for POSIX style.
QChar PathSeparator(PathStyle style = NativePathStyle());

QString GetFileName(const QString& path, PathStyle style = NativePathStyle());
QString GetFolderPart(const QString& path, PathStyle style = NativePathStyle());
QString RemoveExtension(const QString& fileName);
QString CollapseBackslashes(const QString& path, PathStyle style = NativePathStyle());

// A folder typed by the user with a leading "~/" (or just "~") in POSIX style: the home
// folder in its place, as a shell would read it. Any other text, and every Windows-style
// text, is returned as it is.
QString ExpandHomeFolder(const QString& folderText, PathStyle style = NativePathStyle());

// The longest Windows-style path, in characters, counting the terminating NUL.
constexpr int kWindowsPathLimit = 260;
// True when the system could not open the path by its name: a Windows-style path of 260
// characters or more, a POSIX path of PATH_MAX bytes or more in the file name encoding.
bool ExceedsPathLimit(const QString& path, PathStyle style = NativePathStyle());

// Never throw: any failure reads as false.
bool FileExists(const QString& path);
bool FolderExists(const QString& path);
// The desktop folder followed by the separator; the home folder and separator when the
// desktop folder does not exist. Throws AppError error_number::kInvalidArgument when no
// desktop location is known.
QString GetDesktopFolder();
