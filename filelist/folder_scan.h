// The folder scan (the AddFolder routines): walks a folder tree level by level, lists the
// files of one folder by a wildcard pattern, tests names and paths, and queues the files of
// a scanned tree for the folder add and for a dropped folder.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class Dialogs;
class ErrorTrap;
class FileListView;
class FileSystem;

// Asked before each folder a scan searches or lists; true ends the scan at once, with a
// partial result the caller throws away (a command-line run stopped by Ctrl-C).
using ScanStopped = std::function<bool()>;

// The longest sub-folder name kept. How long a folder path may grow before the search
// below it ends is the file system's own limit (FileSystem::PathTooLongToSearch).
constexpr int kScanPathLimit = 260;

// Extends `folders` (each entry ending in the separator) with every sub-folder worth
// searching, level by level: the caller's entries first, then all folders one level down,
// and so on. Drops entries whose listing is refused (permission denied or path not found),
// and entries that lead to a folder already searched in this scan (through a link back up
// the tree, or a second link to one folder): each folder is searched and listed once.
// Yields to the message loop where it examines a folder, lists a sub-folder and returns a
// folder, at most once every few milliseconds. Other failures show the common error box
// and the scan goes on. The folders whose listing the system refused are added to
// `refused` when it is given, so a caller can name them instead of passing them over.
void GetSubDirectories2016(QStringList& folders, bool recurse, const FileSystem& fs, Dialogs& dialogs,
                           const ScanStopped& stopped = {}, QStringList* refused = nullptr);

// The names of the folder's existing files that match the pattern, in listing order. The
// folder may end in the separator or not. A failed listing throws AppError.
QStringList ListFolderFiles(const FileSystem& fs, const QString& folder, const QString& pattern);

// True for an existing regular file; never throws.
bool FileExistsByOpen(const FileSystem& fs, const QString& path);

// True when a folder name holds a character the scan refuses: a control character (below
// 32, or 127 to 159), "?", or a byte sequence the platform's file names could not decode.
// Every other character, curly quotes, dashes and any script included, is fine.
bool HasUnusualCharacters(const QString& name);

// Every qualifying file of each folder of the scanned folder list, in list order, with the
// rules and the trap lines of AddFolderListFiles below; the command line converts these.
QStringList QualifyingFiles(const FileSystem& fs, const QStringList& folders, const QString& pattern,
                            ErrorTrap* trap, const ScanStopped& stopped = {});

// Appends to the list every qualifying file of each folder of the scanned folder list, in
// list order: the folder's files matching the pattern, skipping names that begin with "~",
// files that no longer exist and files whose attributes are exactly hidden + archive (34).
// Paths are passed through CollapseBackslashes. With a trap (the folder add) each step
// reports its failures under its own place number and a failed attribute test still
// appends; without one (a drop) a folder or file that fails is skipped silently. Each row
// remembers `root`, the folder the user chose or dropped.
void AddFolderListFiles(FileListView& list, const FileSystem& fs, const QStringList& folders,
                        const QString& pattern, ErrorTrap* trap, const QString& root = {});
