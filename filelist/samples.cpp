// Form1::PushButton7_Click: queues the sample files shipped in the "Samples" folder beside
// the program, then offers to open that folder on the desktop.
#include "app/error_trap.h"
#include "app/form1.h"
#include "filelist/file_list.h"
#include "filelist/folder_scan.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace {

const QString kLocation = QStringLiteral("in Lorvane2021/08/31.Form1.PushButton7_Click ");
const QString kQuestion = QStringLiteral(
    "Would you like this software to open the folder where these sample files are stored (so that you "
    "can view them before working with them)?");

// Appends every sample file not yet listed (exact comparison), then asks whether to open
// the sample folder. A missing sample folder adds nothing; the question is still asked.
void LoadSampleFiles(FileListView& list, const Form1Services& services) {
  const QString folder = services.applicationFolder + PathSeparator() + QStringLiteral("Samples") + PathSeparator();
  const FileSystem& fs = *services.fileSystem;
  const QStringList names = fs.FolderExists(folder) ? ListFolderFiles(fs, folder, QStringLiteral("*.*")) : QStringList();
  for (const QString& name : names) {
    const QString path = folder + name;
    if (FileExists(path) && !list.ListContains(path)) list.Append(path);
  }
  if (!services.dialogs->AskYesNo(kQuestion)) return;
  try {
    services.desktop->OpenFolder(folder);
  } catch (...) {
    // The desktop's answer is not looked at: a folder it cannot show is simply not shown.
  }
}

}  // namespace

void Form1::PushButton7_Click() {
  ErrorTrap trap(*services_.dialogs, kLocation);
  trap.Step(100, [&] { LoadSampleFiles(*ListView1, services_); });
}
