// AddAllFilesInFolder: the extension question, the folder picker and the scan of the tree.
#include "filelist/add_folder.h"

#include "filelist/file_list.h"
#include "filelist/folder_scan.h"
#include "platform/dialogs.h"
#include "platform/error_trap.h"
#include "platform/paths.h"
#include "platform/pointer_control.h"
#include "platform/settings.h"

namespace {
const QString kLocation = QStringLiteral("in Lorvane2021/08/31.Form1.PushButton4_Click ");
const QString kPrompt = QStringLiteral(
    "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)");
const QString kPickerTitle = QStringLiteral("Please select folder:");
}  // namespace

void AddAllFilesInFolder(FileListView& list, Dialogs& dialogs, SettingsStore& settings,
                         const FileSystem& fs, PointerControl& pointer, QWidget* owner) {
  ErrorTrap trap(dialogs, kLocation);

  QString extension;
  trap.Step(100, [&] {
    extension = dialogs.InputBox(kPrompt, QString(),
                                 ReadSetting(settings, Setting::Extension));
  });
  trap.Step(100, [&] {
    if (!extension.isEmpty()) WriteSetting(settings, Setting::Extension, extension);
  });
  if (extension.isEmpty()) return;  // cancelled or left empty

  QString lastFolder;
  QString chosen;
  trap.Step(104, [&] {
    lastFolder = ReadSetting(settings, Setting::LastFolder);
    chosen = dialogs.BrowseForFolder(owner, kPickerTitle, lastFolder);
  });
  if (chosen.isEmpty()) return;  // cancelled; the extension stays stored

  lastFolder = chosen;  // the next pick starts here
  trap.Step(334, [&] { WriteSetting(settings, Setting::LastFolder, lastFolder); });

  // The pointer the add found comes back at its end: an add during a conversion run leaves
  // the run's hourglass in place, so the run's rows stay closed to editing.
  WindowPointer foundPointer = WindowPointer::Default;
  trap.Step(112, [&] {
    foundPointer = pointer.MousePointer();
    pointer.SetMousePointer(WindowPointer::Hourglass);
  });
  QStringList folders;
  trap.Step(114, [&] { folders = {chosen + PathSeparator()}; });
  trap.Step(116, [&] { GetSubDirectories2016(folders, true, fs, dialogs); });
  // Each file's step reports under its own place number.
  AddFolderListFiles(list, fs, folders, QStringLiteral("*.") + extension, &trap, chosen);
  trap.Step(136, [&] { pointer.SetMousePointer(foundPointer); });
}
