// The Dialogs interface for a run without a window: messages go to standard error as one
// line each, questions are answered No and pickers are cancelled.
#pragma once

#include <cstdio>

#include "platform/dialogs.h"

class ConsoleDialogs : public Dialogs {
 public:
  explicit ConsoleDialogs(std::FILE* errors) : errors_(errors) {}

  void ShowMessage(const QString& text, const QString& caption = {}, Icon icon = Icon::None) override;
  bool AskYesNo(const QString&, bool) override { return false; }
  QString InputBox(const QString&, const QString&, const QString& defaultAnswer) override { return defaultAnswer; }
  QString OpenFiles(const QString&, const QString&) override { return {}; }
  QString BrowseForFolder(QWidget*, const QString&, const QString&) override { return {}; }

 private:
  std::FILE* errors_;
};
