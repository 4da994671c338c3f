// The desktop opener on Qt: the file manager for a folder, the browser for an address.
#pragma once

#include "platform/desktop.h"

class QtDesktop : public Desktop {
 public:
  // Both throw AppError when the desktop cannot open the target.
  void OpenFolder(const QString& folder) override;
  void OpenUrl(const QString& url) override;
};
