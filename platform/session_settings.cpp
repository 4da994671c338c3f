// SessionSettings: the user's store with the values it could not save kept for the session.
#include "platform/session_settings.h"

#include "platform/app_error.h"
#include "platform/dialogs.h"

QString SessionSettings::UnsavedText(const QString& failure) {
  // The store says "...cannot be written: <path> (<reason>)"; the box names the path and
  // the reason in its own words.
  const QString prefix = QStringLiteral("cannot be written: ");
  const qsizetype at = failure.indexOf(prefix);
  const QString where = at >= 0 ? failure.mid(at + prefix.size()) : failure;
  return QStringLiteral("Lorvane cannot save your settings: %1. Your choices apply until you close Lorvane.").arg(where);
}

QString SessionSettings::Read(const QString& app, const QString& section, const QString& key,
                              const QString& defaultValue) {
  if (auto found = unsaved_.find(Key{app, section, key}); found != unsaved_.end()) return found->second;
  return store_.Read(app, section, key, defaultValue);
}

void SessionSettings::Write(const QString& app, const QString& section, const QString& key,
                            const QString& value) {
  try {
    store_.Write(app, section, key, value);
    unsaved_.erase(Key{app, section, key});
  } catch (const AppError& failure) {
    unsaved_[Key{app, section, key}] = value;
    if (told_ || !reporting_) return;
    told_ = true;
    dialogs_.ShowMessage(UnsavedText(failure.description()), {}, Dialogs::Icon::Exclamation);
  }
}
