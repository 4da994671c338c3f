// The folder scan: the level-by-level walk of a folder tree, the wildcard listing of one
// folder, and the loop that queues a scanned tree's files.
#include "filelist/folder_scan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>

#include "filelist/file_list.h"
#include "platform/app_error.h"
#include "platform/error_trap.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace {

const QString kScanLocation = QStringLiteral("in MarrenTitle2021/08/31.AddFolder.GetSubDirectories2016 ");

// Lets the window repaint and other handlers run in the middle of a long scan. Handing over
// costs more than a folder's own work, so it happens at most once every few milliseconds:
// often enough for the window to stay responsive.
void YieldToMessageLoop() {
  static QElapsedTimer sinceLast;
  if (!QCoreApplication::instance()) return;
  if (sinceLast.isValid() && sinceLast.elapsed() < 5) return;
  QCoreApplication::processEvents();
  sinceLast.start();
}

// The folders one scan has searched, by FileSystem::FolderKey, shared by every level.
using SearchedFolders = QSet<QString>;

// Lists F's sub-folders into `found`. A refused listing removes the first entry equal to F
// from `folders` and gives its index; otherwise the result is -1.
qsizetype SearchFolder(const QString& folder, QStringList& folders, QStringList& found, const FileSystem& fs,
                       Dialogs& dialogs, QStringList* refused) {
  QStringList names;
  try {
    names = fs.SubFolderNames(folder);  // a failure other than a refusal is shown as place 118
  } catch (const AppError& error) {
    if (error.number() == error_number::kPermissionDenied || error.number() == error_number::kPathNotFound) {
      if (refused && error.number() == error_number::kPermissionDenied) refused->append(folder);
      const qsizetype index = folders.indexOf(folder);
      if (index >= 0) folders.removeAt(index);
      return index;
    }
    ShowApplicationError(dialogs, error.description(), kScanLocation, 118);
    return -1;
  }
  for (const QString& name : names) {
    YieldToMessageLoop();
    const bool unusual = !fs.OpensEveryName() && (HasUnusualCharacters(name) || name.contains(u'?'));
    if (name.size() >= kScanPathLimit || unusual || name == QLatin1String(".") || name == QLatin1String(".."))
      continue;  // too long, unusual or the folder itself or its parent: not searched
    found.append(folder + name + PathSeparator());
  }
  return -1;
}

bool Stopped(const ScanStopped& stopped) { return stopped && stopped(); }

// One level of the walk; gives the number of entries it removed from `folders`.
qsizetype Walk(QStringList& folders, bool recurse, const FileSystem& fs, Dialogs& dialogs,
               SearchedFolders& searched, const ScanStopped& stopped, QStringList* refused) {
  ErrorTrap trap(dialogs, kScanLocation);
  qsizetype removedHere = 0;
  QStringList found;  // this level's sub-folders, searched one level down
  for (qsizetype i = 0; i < folders.size(); ++i) {
    if (Stopped(stopped)) return removedHere;
    const QString folder = folders[i];
    if (!fs.FolderExists(folder)) continue;  // gone since it was found
    // A folder searched before in this scan, reached again through a link, would bring its
    // whole tree (and its files) back once more: it leaves the list.
    const QString key = fs.FolderKey(folder);
    if (!key.isEmpty() && searched.contains(key)) {
      folders.removeAt(i--);
      ++removedHere;
      continue;
    }
    if (fs.PathTooLongToSearch(folder)) continue;
    YieldToMessageLoop();
    // Hidden system folders other than a drive's root are left out.
    if (trap.Test(116, [&] { return !fs.IsRootFolder(folder) && fs.IsHiddenSystemFolder(folder); }))
      continue;
    if (!key.isEmpty()) searched.insert(key);
    const qsizetype removed = SearchFolder(folder, folders, found, fs, dialogs, refused);
    if (removed < 0) continue;
    ++removedHere;
    if (removed <= i) --i;  // the next entry moved up by one
  }
  const qsizetype own = found.size();
  qsizetype removedDeeper = 0;
  if (recurse && !found.isEmpty()) removedDeeper = Walk(found, true, fs, dialogs, searched, stopped, refused);
  if (Stopped(stopped)) return removedHere;
  // The deeper levels' folders, after this level's own, passed these same tests one level
  // down a moment ago and go through as they are.
  const qsizetype ownLeft = own - removedDeeper;
  for (qsizetype j = 0; j < found.size(); ++j) {
    const QString& folder = found[j];
    if (j >= ownLeft) {
      folders.append(folder);
      continue;
    }
    if (!fs.FolderExists(folder)) continue;  // gone since it was found
    YieldToMessageLoop();
    if (trap.Test(158, [&] { return fs.IsRootFolder(folder) || !fs.IsHiddenSystemFolder(folder); }))
      folders.append(folder);
  }
  return removedHere;
}

// Runs one step of the folder loop: under the trap when there is one, else skipping a
// failure silently.
bool RunStep(ErrorTrap* trap, int line, const std::function<void()>& step) {
  if (trap) return trap->Step(line, step);
  try {
    step();
    return true;
  } catch (const AppError&) {
    return false;
  }
}

bool RunTest(ErrorTrap* trap, int line, const std::function<bool()>& test) {
  if (trap) return trap->Test(line, test);
  try {
    return test();
  } catch (const AppError&) {
    return false;
  }
}

}  // namespace

void GetSubDirectories2016(QStringList& folders, bool recurse, const FileSystem& fs, Dialogs& dialogs,
                           const ScanStopped& stopped, QStringList* refused) {
  SearchedFolders searched;
  Walk(folders, recurse, fs, dialogs, searched, stopped, refused);
}

QStringList ListFolderFiles(const FileSystem& fs, const QString& folder, const QString& pattern) {
  QString prefix = folder;
  if (!prefix.endsWith(PathSeparator())) prefix += PathSeparator();
  // The listing names existing files only; the callers test each again before they add it.
  return fs.ListFiles(prefix, pattern);
}

bool FileExistsByOpen(const FileSystem& fs, const QString& path) {
  try {
    return fs.FileExistsByOpen(path);
  } catch (...) {
    return false;
  }
}

bool HasUnusualCharacters(const QString& name) {
  for (const uint c : name.toUcs4()) {
    if (c < 32 || (c >= 127 && c <= 159) || c == u'?' || c == 0xFFFD) return true;
  }
  return false;
}

QStringList QualifyingFiles(const FileSystem& fs, const QStringList& folders, const QString& pattern,
                            ErrorTrap* trap, const ScanStopped& stopped) {
  // The pass ends with no folder held open, however it ends.
  struct ReleaseAtEnd {
    const FileSystem& fs;
    ~ReleaseAtEnd() { fs.ReleaseKeptFolder(); }
  } release{fs};
  QStringList files;
  const QChar separator = PathSeparator();
  for (const QString& entry : folders) {
    if (Stopped(stopped)) break;
    if (entry.isEmpty()) continue;
    const QString folder = entry.chopped(1);  // without its trailing separator
    QStringList names;
    RunStep(trap, 122, [&] { names = ListFolderFiles(fs, folder, pattern); });
    for (const QString& name : names) {
      if (name.startsWith(u'~')) continue;  // lock files and temporary copies
      const QString path = folder + separator + name;
      const bool wanted = RunTest(trap, 132, [&] {
        return fs.IsFileToAdd(path);
      });
      if (wanted) files.append(CollapseBackslashes(path));
    }
  }
  return files;
}

void AddFolderListFiles(FileListView& list, const FileSystem& fs, const QStringList& folders,
                        const QString& pattern, ErrorTrap* trap, const QString& root) {
  const QString collapsedRoot = CollapseBackslashes(root);
  for (const QString& path : QualifyingFiles(fs, folders, pattern, trap)) {
    RunStep(trap, 132, [&] { list.Append(path, collapsedRoot); });
  }
}
