// Dropping files and folders onto the list: only drags that carry local file paths are
// accepted; a dropped file becomes one row as it is, a dropped folder is scanned and each
// file found in its tree becomes a row.
#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "app/form1.h"
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

void Form1::ListView1_OLEDragOver(const QMimeData* data, int& effect) {
  if (DroppedPaths(data).isEmpty()) effect = 0;
}

void Form1::ListView1_OLEDragDrop(const QMimeData* data) {
  const FileSystem& fs = *services_.fileSystem;
  for (const QString& path : DroppedPaths(data)) {
    int attributes = 0;
    try {
      attributes = fs.Attributes(path);
    } catch (const AppError&) {
      continue;  // vanished since the drag began
    }
    if (!IsDroppedFolder(attributes)) {
      ListView1->Append(path);
      continue;
    }
    QStringList folders = {path + PathSeparator()};
    GetSubDirectories2016(folders, true, fs, *services_.dialogs);
    AddFolderListFiles(*ListView1, fs, folders, QStringLiteral("*.*"), nullptr);
  }
}
