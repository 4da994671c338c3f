// TempSettings: a settings store in a temporary folder.
#include "support/temp_settings.h"

#include <QUuid>

#include "platform/settings_store.h"

TempSettings::TempSettings(Values values) : store_(TreeRoot(dir_)) {
  for (const auto& [key, value] : values) Set(key, value);
}

std::optional<QString> TempSettings::Value(const QString& key) {
  // A default no stored value can equal tells a missing key from any stored text.
  const QString missing = QUuid::createUuid().toString();
  const QString value = store_.Read(kSettingsApp, kSettingsSection, key, missing);
  if (value == missing) return std::nullopt;
  return value;
}

void TempSettings::Set(const QString& key, const QString& value) {
  store_.Write(kSettingsApp, kSettingsSection, key, value);
}

QString TempSettings::FileName() const { return store_.FileName(kSettingsApp); }
