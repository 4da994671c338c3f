// SessionSettings: the user's store with the values it could not save kept for the session.
#include "platform/session_settings.h"

#include "platform/app_error.h"
#include "platform/dialogs.h"

QString SessionSettings::UnsavedText(const QString& failure) {
  return QStringLiteral("Your changes to the settings cannot be saved; they apply until Lorvane closes.") +
         QStringLiteral("\r\n") + failure;
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
    if (told_) return;
    told_ = true;
    dialogs_.ShowMessage(UnsavedText(failure.description()), {}, Dialogs::Icon::Exclamation);
  }
}
