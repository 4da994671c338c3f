// FormFixture: a real Form1 wired to scripted dialogs, a scripted desktop, a settings store
// in a temporary folder, the local file system and a temporary application folder; the home
// page draw is fixed (never the 1-in-100 case unless set) and ending the program is recorded
// instead of done. Used by the tests of every Qt folder.
#pragma once

#include <QString>
#include <memory>

#include "app/form1.h"
#include "platform/file_system.h"
#include "support/scripted_desktop.h"
#include "support/qstring_printer.h"
#include "support/scripted_dialogs.h"
#include "support/temp_settings.h"
#include "support/tree_paths.h"

class FormFixture {
 public:
  // The settings the store holds before the window is made.
  explicit FormFixture(TempSettings::Values settings = {});
  ~FormFixture();

  Form1& form() { return *form_; }
  // The application folder, without a trailing separator.
  QString AppFolder() const { return TreeRoot(appDir_); }
  // A path inside the application folder ("Samples/a.msg", "HAND-M.CUR").
  QString AppPath(const QString& relative) const;

  // Runs the window's start-up, as the program does before showing it.
  void Load() { form_->Form_Load(); }

  ScriptedDialogs dialogs;
  ScriptedDesktop desktop;
  TempSettings settings;
  // The draw the home-page lottery sees; 0.06 gives n == 7.
  double randomDraw = 0.5;
  // How often the window asked to end the program.
  int endProgramCalls = 0;
  QPoint cursorPos{400, 335};

 private:
  TempTree appDir_;
  std::unique_ptr<FileSystem> fileSystem_;
  std::unique_ptr<Form1> form_;
};
