// Where results go: the two options, the folder text and its "..." button, each kept in the
// settings the moment it changes.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

#include "app/error_trap.h"
#include "app/form1.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "platform/settings_store.h"

namespace {
const QString kPickerLocation = QStringLiteral("in Lorvane2021/08/31.Form1.PushButton9_Click ");

QString BoolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }
}  // namespace

void Form1::Option1_Click() {
  // The folder box follows the option first, so that a store that cannot be written leaves
  // the window consistent with the option shown.
  Frame3->setEnabled(Option1->isChecked());
  SettingsStore& settings = *services().settings;
  settings.Write(kSettingsApp, kSettingsSection, QStringLiteral("Option1"), BoolText(Option1->isChecked()));
  settings.Write(kSettingsApp, kSettingsSection, QStringLiteral("Option2"), BoolText(Option2->isChecked()));
}

void Form1::Option2_Click() { Option1_Click(); }

// Whether each document opens with the message's sender, date, recipients and subject.
void Form1::Check1_Click() {
  services().settings->Write(kSettingsApp, kSettingsSection, QStringLiteral("HeaderBlock"),
                             BoolText(Check1->isChecked()));
}

void Form1::Text1_Change() {
  services().settings->Write(kSettingsApp, kSettingsSection, QStringLiteral("Text1"), Text1->text());
}

// The "..." button: picks the output folder, starting at the folder last picked here, and
// puts it into the folder text with exactly one trailing separator.
void Form1::PushButton9_Click() {
  ErrorTrap trap(*services().dialogs, kPickerLocation);
  SettingsStore& settings = *services().settings;
  const QString key = QStringLiteral("LastFolderDot");
  QString chosen;
  trap.Step(100, [&] {
    const QString start = settings.Read(kSettingsApp, kSettingsSection, key, QString());
    chosen = services().dialogs->BrowseForFolder(this, QStringLiteral("Please select folder:"), start);
  });
  // A failure here goes on with saving, as the step after it.
  bool cancelled = false;
  trap.Step(102, [&] { cancelled = chosen.isEmpty(); });
  if (cancelled) return;
  trap.Step(104, [&] { settings.Write(kSettingsApp, kSettingsSection, key, chosen); });
  const QChar separator = PathSeparator();
  if (trap.Test(104, [&] { return !chosen.endsWith(separator); })) {
    trap.Step(106, [&] { Text1->setText(chosen + separator); });
  } else {
    trap.Step(108, [&] { Text1->setText(chosen); });
  }
}
