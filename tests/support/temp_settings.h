// TempSettings: the real settings store on INI files in a temporary folder that disappears
// with it, so tests never touch the user's own settings. Construct it pre-filled with
// key/value pairs of the program's section; read back what the program stored.
#pragma once

#include <QString>
#include <initializer_list>
#include <optional>
#include <utility>

#include "platform/qt_settings_store.h"
#include "support/tree_paths.h"

class TempSettings {
 public:
  using Values = std::initializer_list<std::pair<QString, QString>>;
  explicit TempSettings(Values values = {});

  SettingsStore& store() { return store_; }
  QtSettingsStore& qtStore() { return store_; }
  // The value stored under a key of the program's section, or none when missing.
  std::optional<QString> Value(const QString& key);
  void Set(const QString& key, const QString& value);
  // The INI file holding the program's values.
  QString FileName() const;
  QString Folder() const { return TreeRoot(dir_); }

 private:
  TempTree dir_;
  QtSettingsStore store_;
};
