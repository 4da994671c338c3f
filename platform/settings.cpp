// The table of the program's settings keys and their defaults.
#include "platform/settings.h"

#include <array>

#include "platform/boolean_text.h"
#include "platform/paths.h"
#include "platform/settings_store.h"

namespace {

struct Entry {
  Setting setting;
  const char* key;
  QString (*defaultValue)();
};

QString Empty() { return {}; }
QString TrueText() { return QStringLiteral("1"); }
QString FalseText() { return QStringLiteral("0"); }
QString Msg() { return QStringLiteral("msg"); }
QString TimeLimitDefault() { return QStringLiteral("120"); }

// Read before the first write, the options select "Save results to this folder:" and the
// folder box shows the desktop folder.
constexpr std::array kSettings = {
    Entry{Setting::OutputFolder, "Text1", &GetDesktopFolder},
    Entry{Setting::SaveToChosenFolder, "Option1", &TrueText},
    Entry{Setting::SaveBesideSource, "Option2", &FalseText},
    Entry{Setting::Extension, "Extension", &Msg},
    Entry{Setting::LastFolder, "LastFolder", &Empty},
    Entry{Setting::LastOutputFolder, "LastFolderDot", &Empty},
    Entry{Setting::TimeLimit, "TimeLimit", &TimeLimitDefault},
};

const Entry& EntryOf(Setting setting) {
  for (const Entry& entry : kSettings)
    if (entry.setting == setting) return entry;
  return kSettings.front();  // every enumerator has an entry
}

}  // namespace

QString SettingKey(Setting setting) { return QString::fromLatin1(EntryOf(setting).key); }

QString ReadSetting(SettingsStore& store, Setting setting) {
  const Entry& entry = EntryOf(setting);
  return store.Read(kSettingsApp, kSettingsSection, QString::fromLatin1(entry.key), entry.defaultValue());
}

void WriteSetting(SettingsStore& store, Setting setting, const QString& value) {
  store.Write(kSettingsApp, kSettingsSection, SettingKey(setting), value);
}

QString ReadSwitchSetting(SettingsStore& store, const QString& key, bool defaultValue) {
  return store.Read(kSettingsApp, kSettingsSection, key, defaultValue ? TrueText() : FalseText());
}

void WriteSwitchSetting(SettingsStore& store, const QString& key, bool on) {
  store.Write(kSettingsApp, kSettingsSection, key, BooleanToText(on));
}

QString ReadKeyedSetting(SettingsStore& store, const QString& key, const QString& defaultValue) {
  return store.Read(kSettingsApp, kSettingsSection, key, defaultValue);
}

void WriteKeyedSetting(SettingsStore& store, const QString& key, const QString& value) {
  store.Write(kSettingsApp, kSettingsSection, key, value);
}
