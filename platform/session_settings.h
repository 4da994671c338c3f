// The settings as the window uses them for one session. Reads and writes go to the user's
// store; a write that fails does not stop the user: the value is kept for the rest of the
// session, so what the user chose still applies, and the first such failure shows one box
// saying that the settings cannot be saved, with the store's path and the reason; a write
// of the window's start-up is no change of the user's and shows nothing. Later failed
// writes pass without a word: typing a folder does not bring a box per keystroke. A store
// that cannot be read still fails the read.
#pragma once

#include <QString>
#include <map>
#include <tuple>

#include "platform/settings_store.h"

class Dialogs;

class SessionSettings : public SettingsStore {
 public:
  SessionSettings(SettingsStore& store, Dialogs& dialogs) : store_(store), dialogs_(dialogs) {}

  // A value this session could not save, else the store's.
  QString Read(const QString& app, const QString& section, const QString& key,
               const QString& defaultValue) override;
  // Never throws: a failure is noted (once) and the value kept for the session.
  void Write(const QString& app, const QString& section, const QString& key,
             const QString& value) override;

  // Off, a failed write is kept for the session without a box (the window's start-up
  // writes back what it read; only the user's own changes are worth a box).
  void SetReporting(bool on) { reporting_ = on; }

  // The box's text for a write failure described as `failure`.
  static QString UnsavedText(const QString& failure);

 private:
  using Key = std::tuple<QString, QString, QString>;
  SettingsStore& store_;
  Dialogs& dialogs_;
  std::map<Key, QString> unsaved_;
  bool told_ = false;
  bool reporting_ = true;
};
