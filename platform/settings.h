// The program's settings: every key it keeps, with its default, in one list, read and
// written through the settings store under the program's own names. The options' controls
// are the exception: their keys and defaults stand in the converter's option table
// (converter/options/conversion_options.h) and in the run's (run/run_options.h), which this layer
// does not see, and are read and written by key through ReadSwitchSetting and
// WriteSwitchSetting, or ReadKeyedSetting and WriteKeyedSetting.
#pragma once

#include <QString>

class SettingsStore;

enum class Setting {
  OutputFolder,        // the folder box's text
  SaveToChosenFolder,  // "Save results to this folder:" is selected ("True"/"False")
  SaveBesideSource,    // "Save results in folder of original file" is selected
  Extension,           // the extension last asked for by "Add All"
  LastFolder,          // the folder last picked by "Add All"
  LastOutputFolder,    // the folder last picked by the "..." button
  TimeLimit,           // seconds one message may take before it fails (kept by hand; 120)
};

// The key's stored name.
QString SettingKey(Setting setting);
// The stored text, or the key's default when it has never been written. Throws AppError
// when the store cannot be read.
QString ReadSetting(SettingsStore& store, Setting setting);
// Creates or replaces the value. Throws AppError when the store cannot be written.
void WriteSetting(SettingsStore& store, Setting setting, const QString& value);

// An on/off setting under a key another table names: the stored text, or "1" or "0" for
// `defaultValue` while it has never been written. Throws AppError when the store cannot be
// read.
QString ReadSwitchSetting(SettingsStore& store, const QString& key, bool defaultValue);
// Stores "True" or "False". Throws AppError when the store cannot be written.
void WriteSwitchSetting(SettingsStore& store, const QString& key, bool on);

// A setting under a key another table names: the stored text, or `defaultValue` while it
// has never been written. Throws AppError when the store cannot be read.
QString ReadKeyedSetting(SettingsStore& store, const QString& key, const QString& defaultValue);
// Creates or replaces the value. Throws AppError when the store cannot be written.
void WriteKeyedSetting(SettingsStore& store, const QString& key, const QString& value);
