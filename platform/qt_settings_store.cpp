// QtSettingsStore: every read opens the store afresh and every write is synced to disk and
// checked at once, so two copies of the program see each other's last writes and a store
// that cannot be written is reported at the step that wrote.
#include "platform/qt_settings_store.h"

#include <QSettings>
#include <QStringList>

#include "platform/app_error.h"

std::unique_ptr<QSettings> QtSettingsStore::Open(const QString& app) const {
  if (folder_.isEmpty())
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, app);
  return std::make_unique<QSettings>(FileName(app), QSettings::IniFormat);
}

QString QtSettingsStore::FileName(const QString& app) const {
  if (folder_.isEmpty()) return QSettings(QSettings::NativeFormat, QSettings::UserScope, app).fileName();
  return folder_ + QStringLiteral("/") + app + QStringLiteral(".ini");
}

QString QtSettingsStore::Read(const QString& app, const QString& section, const QString& key,
                              const QString& defaultValue) {
  const auto settings = Open(app);
  if (settings->status() != QSettings::NoError)
    throw AppError(QStringLiteral("The settings store cannot be read: ") + settings->fileName(),
                   error_number::kPathFileAccess);
  settings->beginGroup(section);
  if (!settings->contains(key)) return defaultValue;
  const QVariant value = settings->value(key);
  // A value edited by hand into a comma-separated list reads back as one text.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", "));
  return value.toString();
}

void QtSettingsStore::Write(const QString& app, const QString& section, const QString& key,
                            const QString& value) {
  const auto settings = Open(app);
  settings->beginGroup(section);
  settings->setValue(key, value);
  settings->endGroup();
  settings->sync();
  if (settings->status() != QSettings::NoError)
    throw AppError(QStringLiteral("The settings store cannot be written: ") + settings->fileName(),
                   error_number::kPathFileAccess);
}
