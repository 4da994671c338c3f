// AddChosenFiles: the file-open dialog's answer split into one row per chosen file.
#include "filelist/add_files.h"

#include <QStringList>

#include "filelist/file_list.h"
#include "platform/app_error.h"
#include "platform/dialogs.h"
#include "platform/error_trap.h"
#include "platform/paths.h"

namespace {
const QString kLocation = QStringLiteral("in Lorvane2021/08/31.Form1.PushButton1_Click ");
const QString kTitle = QStringLiteral("Add File(s) - Hold Ctrl to select multiple files");
const QString kFilter = QStringLiteral("MSG File (*.msg)|*.msg|");
const QString kTooManyFiles = QStringLiteral("You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.");
}  // namespace

void AddChosenFiles(FileListView& list, Dialogs& dialogs) {
  ErrorTrap trap(dialogs, kLocation);
  // The dialog's title, filter and multiple choice travel with the request itself.
  QString fileName;
  try {
    fileName = dialogs.OpenFiles(kTitle, kFilter);  // any other failure is shown as place 112
  } catch (const AppError& error) {
    if (error.number() == error_number::kDialogBufferTooSmall) {
      dialogs.ShowMessage(kTooManyFiles);
      return;
    }
    ShowApplicationError(dialogs, error.description(), kLocation, 112);
  }
  if (fileName.isEmpty()) return;  // cancelled

  // One chosen file comes back as its full path; several as the folder followed by the
  // names, separated by NUL characters. Empty parts are kept.
  const QStringList parts = fileName.split(QChar(0));
  if (parts.size() == 1) {
    trap.Step(122, [&] { list.Append(parts[0]); });
    return;
  }
  const QString& folder = parts[0];
  for (qsizetype i = 1; i < parts.size(); ++i) {
    QString path;
    trap.Step(136, [&] { path = folder + PathSeparator() + parts[i]; });
    trap.Step(138, [&] { path = CollapseBackslashes(path); });
    trap.Step(140, [&] { list.Append(path); });
  }
}
