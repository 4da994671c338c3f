// Form1's start-up: Form_Load with its numbered steps, and the three routines only it calls.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

#include "app/application_title.h"
#include "app/cursor_file.h"
#include "app/form1.h"
#include "app/program_icon.h"
#include "filelist/file_list.h"
#include "platform/boolean_text.h"
#include "run/plan/document_format.h"
#include "run/plan/name_pass.h"
#include "platform/desktop.h"
#include "platform/error_trap.h"
#include "platform/paths.h"
#include "platform/session_settings.h"
#include "platform/settings.h"
#include "platform/settings_store.h"
#include "platform/support_address.h"
#include "platform/window_titles.h"

namespace {
const QString kLocation = QStringLiteral("in Lorvane2021/08/31.Form1.Form_Load ");

// Selects or clears an option. Qt refuses to clear the checked button of an exclusive group
// directly, so exclusivity is lifted for the moment of clearing; selecting clears the other.
void SetOption(QRadioButton* option, bool selected) {
  if (selected) {
    option->setChecked(true);
    return;
  }
  option->setAutoExclusive(false);
  option->setChecked(false);
  option->setAutoExclusive(true);
}

QString InAppFolder(const QString& folder, const QString& relative) {
  return folder + PathSeparator() + relative;
}
}  // namespace

void Form1::Form_Load() {
  ErrorTrap trap(*services_.dialogs, kLocation);
  // Showing the stored folder writes it back; that is no change of the user's, so a store
  // that cannot be written says nothing about it now.
  if (sessionSettings_) sessionSettings_->SetReporting(false);
  SettingsStore& settings = *services_.settings;
  const QString handPath = InAppFolder(services_.applicationFolder, QStringLiteral("HAND-M.CUR"));

  trap.Step(100, [&] { ApplySkin(); });
  if (trap.Test(102, [&] { return FileExists(handPath); }))
    trap.Step(104, [&] { SetMouseIcon(LoadCursorFile(handPath)); });
  trap.Step(106, [&] { OpenHomePageAtRandom(); });
  trap.Step(126, [&] {
    setWindowTitle(kProductName);
    setWindowIcon(ProgramIcon());
    SetApplicationTitle();
  });
  trap.Step(128, [&] { ListView1->AddColumn(QStringLiteral("MSG File(s)")); });
  trap.Step(130, [&] { ListView1->SetColumnWidthTwips(7000); });
  trap.Step(132, [&] {
    Text1->setText(ReadSetting(settings, Setting::OutputFolder));
  });
  trap.Step(134, [&] {
    SetOption(Option1, TextToBoolean(ReadSetting(settings, Setting::SaveToChosenFolder)));
  });
  trap.Step(136, [&] {
    SetOption(Option2, TextToBoolean(ReadSetting(settings, Setting::SaveBesideSource)));
  });
  for (const DocumentOptionBox& box : documentBoxes) {
    trap.Step(137, [&] { box.box->setChecked(TextToBoolean(ReadDocumentOptionSetting(settings, *box.row))); });
  }
  for (const RunOptionControl& control : runOptionControls) {
    trap.Step(137, [&] {
      RunOptions options;
      control.row->fromSetting(options, ReadRunOptionSetting(settings, *control.row));
      const QString word = control.row->toSetting(options);
      if (control.check != nullptr) control.check->setChecked(TextToBoolean(word));
      if (control.list != nullptr) control.list->setCurrentIndex(std::max(control.list->findData(word), 0));
    });
  }
  if (trap.Test(138, [&] { return Option1->isChecked(); }))
    trap.Step(140, [&] {
      Frame3->setEnabled(true);
      FollowOutputOption();
    });
  else
    trap.Step(142, [&] {
      Frame3->setEnabled(false);
      FollowOutputOption();
    });
  trap.Step(144, [&] { SetToolTips(); });
  if (sessionSettings_) sessionSettings_->SetReporting(true);
}

void Form1::ApplySkin() {
  const QString skinPath = InAppFolder(services_.applicationFolder,
                                       QStringLiteral("x") + PathSeparator() + QStringLiteral("o.cjs"));
  if (!QFileInfo(skinPath).isFile()) return;
  // The window has no reader for skin files: it keeps its own colours, so a skin file there
  // changes nothing and is left alone, as a missing one is.
}

void Form1::OpenHomePageAtRandom() {
  const double r = services_.random ? services_.random() : 0.0;
  const int n = static_cast<int>(std::floor(r * 100)) + 1;
  if (n == 7) services_.desktop->OpenUrl(kHomePageAddress);
}

void Form1::SetApplicationTitle() {
  // Not Qt's display name: that would be appended to every dialog's title (window_titles.h).
  SetApplicationTitleText(ApplicationTitleFrom(kProductName));
}
