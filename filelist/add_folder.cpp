// AddAllFilesInFolder: the extension question, the folder picker and the scan of the tree.
#include "filelist/add_folder.h"

#include "filelist/file_list.h"
#include "filelist/folder_scan.h"
#include "platform/dialogs.h"
#include "platform/error_trap.h"
#include "platform/paths.h"
#include "platform/pointer_control.h"
#include "platform/settings_store.h"

namespace {
const QString kLocation = QStringLiteral("in Lorvane2021/08/31.Form1.PushButton4_Click ");
const QString kPrompt = QStringLiteral(
    "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)");
const QString kPickerTitle = QStringLiteral("Please select folder:");
const QString kExtensionKey = QStringLiteral("Extension");
const QString kLastFolderKey = QStringLiteral("LastFolder");
}  // namespace

void AddAllFilesInFolder(FileListView& list, Dialogs& dialogs, SettingsStore& settings,
                         const FileSystem& fs, PointerControl& pointer, QWidget* owner) {
  ErrorTrap trap(dialogs, kLocation);

  QString extension;
  trap.Step(100, [&] {
    extension = dialogs.InputBox(kPrompt, QString(),
                                 settings.Read(kSettingsApp, kSettingsSection, kExtensionKey, QStringLiteral("msg")));
  });
  trap.Step(100, [&] {
    if (!extension.isEmpty()) settings.Write(kSettingsApp, kSettingsSection, kExtensionKey, extension);
  });
  if (extension.isEmpty()) return;  // 102

  QString lastFolder;
  QString chosen;
  trap.Step(104, [&] {
    lastFolder = settings.Read(kSettingsApp, kSettingsSection, kLastFolderKey, QString());
    chosen = dialogs.BrowseForFolder(owner, kPickerTitle, lastFolder);
  });
  if (chosen.isEmpty()) return;  // 106: cancelled; the extension stays stored

  lastFolder = chosen;                                                                    // 333
  trap.Step(334, [&] { settings.Write(kSettingsApp, kSettingsSection, kLastFolderKey, lastFolder); });

  // The pointer the add found comes back at its end: an add during a conversion run leaves
  // the run's hourglass in place, so the run's rows stay closed to editing.
  int foundPointer = 0;
  trap.Step(112, [&] {
    foundPointer = pointer.MousePointer();
    pointer.SetMousePointer(11);
  });
  QStringList folders;
  trap.Step(114, [&] { folders = {chosen + PathSeparator()}; });
  trap.Step(116, [&] { GetSubDirectories2016(folders, true, fs, dialogs); });
  AddFolderListFiles(list, fs, folders, QStringLiteral("*.") + extension, &trap);  // 118-134
  trap.Step(136, [&] { pointer.SetMousePointer(foundPointer); });
}
