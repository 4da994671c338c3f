// Hands a folder or a web address to the desktop (file manager, browser) without waiting.
#pragma once

#include <QString>

class Desktop {
 public:
  virtual ~Desktop() = default;
  virtual void OpenFolder(const QString& folder) = 0;
  virtual void OpenUrl(const QString& url) = 0;
};
