// ScriptedDesktop: records the folders and addresses the program asks the desktop to open;
// set fail to make every request throw as a desktop without an opener would.
#pragma once

#include <QString>
#include <vector>

#include "platform/app_error.h"
#include "platform/desktop.h"

class ScriptedDesktop : public Desktop {
 public:
  std::vector<QString> openedFolders;
  std::vector<QString> openedUrls;
  bool fail = false;

  void OpenFolder(const QString& folder) override {
    if (fail) throw AppError(QStringLiteral("The folder cannot be opened"), error_number::kFileNotFound);
    openedFolders.push_back(folder);
  }
  void OpenUrl(const QString& url) override {
    if (fail) throw AppError(QStringLiteral("The address cannot be opened"), error_number::kFileNotFound);
    openedUrls.push_back(url);
  }
};
