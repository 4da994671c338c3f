// The desktop opener on Qt: the file manager for a folder, the browser for an address.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

#include "platform/desktop.h"

class QtDesktop : public Desktop {
 public:
  // `opener` is the program that hands a target to the desktop's own choice of application.
  explicit QtDesktop(QString opener = QStringLiteral("xdg-open")) : opener_(std::move(opener)) {}

  // Called, after the opener has ended, with the words for a folder or address it could not
  // open ("The folder cannot be opened: ..." and the opener's reason under it). Unset, such
  // a failure goes unsaid.
  void SetLateFailure(std::function<void(const QString& text)> report) { lateFailure_ = std::move(report); }

  // Both throw AppError when the opener cannot be started; a failure the opener reports
  // later goes to the late failure.
  void OpenFolder(const QString& folder) override;
  void OpenUrl(const QString& url) override;

 private:
  void Open(const QString& target, const QString& failureText);

  QString opener_;
  std::function<void(const QString&)> lateFailure_;
};
