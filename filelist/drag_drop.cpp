// The drop's local paths and what each of them adds to the list.
#include "filelist/drag_drop.h"

#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "filelist/file_list.h"
#include "filelist/folder_scan.h"
#include "platform/app_error.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace {

// The drag's list of local paths, or nothing when it carries anything else as well.
QStringList DroppedPaths(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.isEmpty() || !std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); }))
    return {};
  QStringList paths;
  for (const QUrl& url : urls) paths.append(url.toLocalFile());
  return paths;
}

// Every dropped folder is searched, hidden ones (a name beginning with ".") included: the
// user chose it, and a folder added as one row could never be converted.
bool IsDroppedFolder(int attributes) { return (attributes & file_attribute::kDirectory) != 0; }

}  // namespace

bool DragCarriesLocalPaths(const QMimeData* data) { return !DroppedPaths(data).isEmpty(); }

void AddDroppedPaths(FileListView& list, const FileSystem& fs, Dialogs& dialogs, const QMimeData* data) {
  for (const QString& path : DroppedPaths(data)) {
    int attributes = 0;
    try {
      attributes = fs.Attributes(path);
    } catch (const AppError&) {
      continue;  // vanished since the drag began
    }
    if (!IsDroppedFolder(attributes)) {
      list.Append(path);
      continue;
    }
    QStringList folders = {path + PathSeparator()};
    GetSubDirectories2016(folders, true, fs, dialogs);
    AddFolderListFiles(list, fs, folders, QStringLiteral("*.*"), nullptr, path);
  }
}
