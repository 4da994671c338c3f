// Where results go: the two options, the folder text and its "..." button, each kept in the
// settings the moment it changes.
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

#include "app/form1.h"
#include "platform/settings_store.h"

namespace {
QString BoolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }
}  // namespace

void Form1::Option1_Click() {
  SettingsStore& settings = *services().settings;
  settings.Write(kSettingsApp, kSettingsSection, QStringLiteral("Option1"), BoolText(Option1->isChecked()));
  settings.Write(kSettingsApp, kSettingsSection, QStringLiteral("Option2"), BoolText(Option2->isChecked()));
  Frame3->setEnabled(Option1->isChecked());
}

void Form1::Option2_Click() { Option1_Click(); }

void Form1::Text1_Change() {
  services().settings->Write(kSettingsApp, kSettingsSection, QStringLiteral("Text1"), Text1->text());
}

void Form1::PushButton9_Click() {}
