// The output options kept in the settings, and the output folder picker.
#include "app/output_options.h"

#include <QLineEdit>

#include "platform/boolean_text.h"
#include "platform/dialogs.h"
#include "platform/error_trap.h"
#include "platform/paths.h"
#include "platform/settings.h"

namespace {
const QString kPickerLocation = QStringLiteral("in Lorvane2021/08/31.Form1.PushButton9_Click ");
}  // namespace

void StoreOutputOptions(SettingsStore& settings, bool toChosenFolder, bool besideSource) {
  WriteSetting(settings, Setting::SaveToChosenFolder, BooleanToText(toChosenFolder));
  WriteSetting(settings, Setting::SaveBesideSource, BooleanToText(besideSource));
}

void StoreOutputFolder(SettingsStore& settings, const QString& folder) {
  WriteSetting(settings, Setting::OutputFolder, folder);
}

void ChooseOutputFolder(Dialogs& dialogs, SettingsStore& settings, QWidget* owner, QLineEdit& folderBox) {
  ErrorTrap trap(dialogs, kPickerLocation);
  QString chosen;
  trap.Step(100, [&] {
    // The folder in the box when it is there; else the folder last picked here.
    const QString current = ExpandHomeFolder(folderBox.text());
    const QString start = FolderExists(current) ? current : ReadSetting(settings, Setting::LastOutputFolder);
    chosen = dialogs.BrowseForFolder(owner, QStringLiteral("Please select folder:"), start);
  });
  // A failure here goes on with saving, as the step after it.
  bool cancelled = false;
  trap.Step(102, [&] { cancelled = chosen.isEmpty(); });
  if (cancelled) return;
  trap.Step(104, [&] { WriteSetting(settings, Setting::LastOutputFolder, chosen); });
  const QChar separator = PathSeparator();
  if (trap.Test(104, [&] { return !chosen.endsWith(separator); })) {
    trap.Step(106, [&] { folderBox.setText(chosen + separator); });
  } else {
    trap.Step(108, [&] { folderBox.setText(chosen); });
  }
}
