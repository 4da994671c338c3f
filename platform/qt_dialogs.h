// The Qt implementation of the program's modal boxes and dialogs.
#pragma once

#include "platform/dialogs.h"

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }

  void ShowMessage(const QString& text, const QString& caption, Icon icon) override;  // qt_dialogs.cpp
  bool AskYesNo(const QString& text, bool defaultYes = true) override;                                       // qt_dialogs.cpp
  bool ShowMessageWithCheckBox(const QString& text, const QString& checkBoxText) override;  // qt_dialogs.cpp
  bool ShowMessageWithDetails(const QString& text, const QString& details, Icon icon = Icon::None,
                              const QString& extraButton = {},
                              const std::function<void()>& saveList = {}) override;       // qt_details_box.cpp
  int AskChoice(const QString& text, const QStringList& buttons, int escapeButton) override;  // qt_dialogs.cpp
  QString InputBox(const QString& prompt, const QString& title,
                   const QString& defaultAnswer) override;                           // qt_dialogs.cpp
  QString OpenFiles(const QString& title, const QString& filter) override;          // qt_file_dialog.cpp
  QString SaveFile(const QString& title, const QString& filter,
                   const QString& suggestedPath) override;                          // qt_file_dialog.cpp
  QString BrowseForFolder(QWidget* owner, const QString& title,
                          const QString& startFolder) override;                      // qt_folder_picker.cpp

 private:
  QWidget* owner_;
};
