// A Dialogs double for the folder-scan tests that only records the boxes shown.
#pragma once

#include <QStringList>

#include "platform/dialogs.h"

class RecordingDialogs : public Dialogs {
 public:
  void ShowMessage(const QString& text, const QString&, Icon) override { messages.append(text); }
  bool AskYesNo(const QString& text) override {
    messages.append(text);
    return false;
  }
  QString InputBox(const QString&, const QString&, const QString&) override { return {}; }
  QString OpenFiles(const QString&, const QString&) override { return {}; }
  QString BrowseForFolder(QWidget*, const QString&, const QString&) override { return {}; }

  QStringList messages;
};
