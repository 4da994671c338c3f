// The per-user settings store: text values under an application name, a section and a key.
// Every read goes to the store and every write reaches it at once.
#pragma once

#include <QString>

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, or defaultValue when the key has never been written. Throws AppError
  // when the store cannot be read.
  virtual QString Read(const QString& app, const QString& section, const QString& key,
                       const QString& defaultValue) = 0;
  // Creates or replaces the key's value. Throws AppError when the store cannot be written.
  virtual void Write(const QString& app, const QString& section, const QString& key,
                     const QString& value) = 0;
};

// The names every caller passes.
inline const QString kSettingsApp = QStringLiteral("Kestrane");
inline const QString kSettingsSection = QStringLiteral("Lorvane");
