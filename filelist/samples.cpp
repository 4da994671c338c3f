// LoadSampleFiles: the sample folder's files into the list, and the offer to show the folder.
#include "filelist/samples.h"

#include "filelist/file_list.h"
#include "filelist/folder_scan.h"
#include "platform/app_error.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/error_trap.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace {

const QString kLocation = QStringLiteral("in Lorvane2021/08/31.Form1.PushButton7_Click ");
const QString kQuestion = QStringLiteral(
    "Would you like this software to open the folder where these sample files are stored (so that you "
    "can view them before working with them)?");

void AddSamplesAndOffer(FileListView& list, const QString& applicationFolder, const FileSystem& fs,
                        Dialogs& dialogs, Desktop& desktop) {
  const QString folder = applicationFolder + PathSeparator() + QStringLiteral("Samples") + PathSeparator();
  const QStringList names = fs.FolderExists(folder) ? ListFolderFiles(fs, folder, QStringLiteral("*.*")) : QStringList();
  for (const QString& name : names) {
    const QString path = folder + name;
    if (FileExists(path) && !list.ListContains(path)) list.Append(path);
  }
  if (!dialogs.AskYesNo(kQuestion)) return;
  try {
    desktop.OpenFolder(folder);
  } catch (const AppError& error) {
    // The samples are queued all the same; the user learns why no folder opened.
    dialogs.ShowMessage(error.description(), {}, Dialogs::Icon::Exclamation);
  }
}

}  // namespace

void LoadSampleFiles(FileListView& list, const QString& applicationFolder, const FileSystem& fs,
                     Dialogs& dialogs, Desktop& desktop) {
  ErrorTrap trap(dialogs, kLocation);
  trap.Step(100, [&] { AddSamplesAndOffer(list, applicationFolder, fs, dialogs, desktop); });
}
