// The settings store on QSettings: one store per application name, the section as a group.
// By default the user's own store; tests and tools may point it at a folder of INI files.
#pragma once

#include <QString>
#include <memory>

#include "platform/settings_store.h"

class QSettings;

class QtSettingsStore : public SettingsStore {
 public:
  // The user's own store (on Linux ~/.config/<app>.conf).
  QtSettingsStore() = default;
  // A store of INI files "<app>.ini" in the given folder.
  explicit QtSettingsStore(QString folder) : folder_(std::move(folder)) {}

  QString Read(const QString& app, const QString& section, const QString& key,
               const QString& defaultValue) override;
  void Write(const QString& app, const QString& section, const QString& key,
             const QString& value) override;

  // Where the named application's values are kept.
  QString FileName(const QString& app) const;

 private:
  std::unique_ptr<QSettings> Open(const QString& app) const;
  QString folder_;
};
