// SaveRunList: the save dialog, the report's name, the write and its failure box.
#include "run/window/save_list.h"

#include <utility>

#include "platform/dialogs.h"
#include "platform/paths.h"

void SaveRunList(Dialogs& dialogs, const std::vector<ReportLine>& lines, const QString& folder) {
  const QString start = folder.isEmpty() ? kSavedListName
                        : folder.endsWith(PathSeparator()) ? folder + kSavedListName
                                                           : folder + PathSeparator() + kSavedListName;
  QString path = dialogs.SaveFile(QStringLiteral("Save List"),
                                  QStringLiteral("Tab-separated values|*.tsv|JSON lines|*.jsonl|"), start);
  if (path.isEmpty()) return;
  if (!path.endsWith(QLatin1String(".tsv"), Qt::CaseInsensitive) &&
      !path.endsWith(QLatin1String(".jsonl"), Qt::CaseInsensitive))
    path += QStringLiteral(".tsv");
  QString failure;
  if (WriteReport(path, lines, failure)) return;
  dialogs.ShowMessage(QStringLiteral("The list could not be saved:\r\n") + path + QStringLiteral("\r\n") + failure,
                      {}, Dialogs::Icon::Exclamation);
}

std::function<void()> SaveListAction(Dialogs& dialogs, std::vector<ReportLine> lines, QString folder) {
  return [&dialogs, lines = std::move(lines), folder = std::move(folder)] { SaveRunList(dialogs, lines, folder); };
}
