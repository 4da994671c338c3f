// OfferOutputFolder: there already, or asked about and made.
#include "run/window/output_folder_offer.h"

#include <QDir>
#include <QFileInfo>

#include "platform/dialogs.h"
#include "platform/make_folders.h"
#include "platform/native_names.h"
#include "platform/paths.h"

namespace {
const QString kLineBreak = QStringLiteral("\r\n");
const QString kSelectAnother = QStringLiteral("Please select another folder.");
}  // namespace

QString MakeOutputFolderQuestion(const QString& folder) {
  return QStringLiteral("The output folder does not exist:") + kLineBreak + folder + kLineBreak + kLineBreak +
         QStringLiteral("Create it?");
}

bool OfferOutputFolder(Dialogs& dialogs, const QString& folderText) {
  const QString typed = ExpandHomeFolder(folderText);
  if (typed.trimmed().isEmpty()) {
    dialogs.ShowMessage(QStringLiteral("No output folder is given. ") + kSelectAnother);
    return false;
  }
  if (NativeIsFolder(typed)) return true;
  // The folder as the run will take it, named in full in the boxes.
  const QString folder = QDir::cleanPath(QFileInfo(typed).absoluteFilePath());
  if (NativeExists(typed)) {
    dialogs.ShowMessage(QStringLiteral("The output folder is a file:") + kLineBreak + folder + kLineBreak +
                            kSelectAnother,
                        {}, Dialogs::Icon::Exclamation);
    return false;
  }
  if (!dialogs.AskYesNo(MakeOutputFolderQuestion(folder))) return false;
  QString failure;
  if (MakeFolderPath(folder, failure)) return true;
  dialogs.ShowMessage(QStringLiteral("The output folder could not be created:") + kLineBreak + failure, {},
                      Dialogs::Icon::Exclamation);
  return false;
}
