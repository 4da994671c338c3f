// QtDialogs::BrowseForFolder: the folder picker, Qt's modal directory chooser. It opens on
// the start folder, accepts only existing folders, gives empty text on cancel, and returns
// the folder in the form callers expect: a root keeps its separator, any other folder has
// none.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "platform/qt_dialogs.h"

namespace {

// The chosen folder in native form, with a trailing separator only on a root.
QString FolderResult(const QString& chosen) {
  if (chosen.isEmpty()) return {};
  const QFileInfo info(chosen);
  if (!info.isDir()) return {};
  const QString clean = QDir::cleanPath(info.absoluteFilePath());
  if (QDir(clean).isRoot()) return QDir::toNativeSeparators(QDir(clean).rootPath());
  return QDir::toNativeSeparators(clean);
}

}  // namespace

QString QtDialogs::BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder) {
  QFileDialog dialog(owner != nullptr ? owner : owner_, title);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Opening inside the start folder makes it the one chosen when the user confirms at once;
  // an empty or vanished start folder leaves the dialog at its default place.
  if (!startFolder.isEmpty() && QFileInfo(startFolder).isDir()) dialog.setDirectory(startFolder);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : FolderResult(chosen.first());
}
