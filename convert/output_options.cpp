// The output options kept in the settings, and the output folder picker.
#include "convert/output_options.h"

#include <QLineEdit>

#include "platform/dialogs.h"
#include "platform/error_trap.h"
#include "platform/paths.h"
#include "platform/settings_store.h"

namespace {
const QString kPickerLocation = QStringLiteral("in Lorvane2021/08/31.Form1.PushButton9_Click ");

QString BoolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }
}  // namespace

void StoreOutputOptions(SettingsStore& settings, bool toChosenFolder, bool besideSource) {
  settings.Write(kSettingsApp, kSettingsSection, QStringLiteral("Option1"), BoolText(toChosenFolder));
  settings.Write(kSettingsApp, kSettingsSection, QStringLiteral("Option2"), BoolText(besideSource));
}

void StoreHeaderBlockChoice(SettingsStore& settings, bool headerBlock) {
  settings.Write(kSettingsApp, kSettingsSection, QStringLiteral("HeaderBlock"), BoolText(headerBlock));
}

void StoreOutputFolder(SettingsStore& settings, const QString& folder) {
  settings.Write(kSettingsApp, kSettingsSection, QStringLiteral("Text1"), folder);
}

void ChooseOutputFolder(Dialogs& dialogs, SettingsStore& settings, QWidget* owner, QLineEdit& folderBox) {
  ErrorTrap trap(dialogs, kPickerLocation);
  const QString key = QStringLiteral("LastFolderDot");
  QString chosen;
  trap.Step(100, [&] {
    const QString start = settings.Read(kSettingsApp, kSettingsSection, key, QString());
    chosen = dialogs.BrowseForFolder(owner, QStringLiteral("Please select folder:"), start);
  });
  // A failure here goes on with saving, as the step after it.
  bool cancelled = false;
  trap.Step(102, [&] { cancelled = chosen.isEmpty(); });
  if (cancelled) return;
  trap.Step(104, [&] { settings.Write(kSettingsApp, kSettingsSection, key, chosen); });
  const QChar separator = PathSeparator();
  if (trap.Test(104, [&] { return !chosen.endsWith(separator); })) {
    trap.Step(106, [&] { folderBox.setText(chosen + separator); });
  } else {
    trap.Step(108, [&] { folderBox.setText(chosen); });
  }
}
