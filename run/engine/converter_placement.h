// Puts the converter on disk for the length of one run: a new folder that only this user
// may enter, inside the temporary folder, holding "Quorlin.exe" with execute permission.
// When the temporary folder's file system may not start programs (mounted noexec), the
// folder goes under the user's cache folder or runtime folder instead, and so it does when
// the temporary folder is missing or not writable. Nothing that stood
// there before is ever run, and a run always starts the converter this program carries.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>

// The temporary folder: the "TEMP" environment variable when it is set and not empty,
// otherwise the platform's temporary folder.
QString TemporaryFolder();

// The folder the converter's private folder goes into: the temporary folder when it exists,
// this user may write into it and programs may be started there, else the first of the user's cache folder (made when missing) and
// $XDG_RUNTIME_DIR that allows them, else the temporary folder all the same (starting the
// converter then fails and the run says why).
QString PlacementParent(const std::function<bool(const QString&)>& allowsPrograms);

class ConverterPlacement {
 public:
  ConverterPlacement();
  // Tests may decide which folders allow programs to start.
  explicit ConverterPlacement(std::function<bool(const QString&)> allowsPrograms)
      : allowsPrograms_(std::move(allowsPrograms)) {}
  ConverterPlacement(const ConverterPlacement&) = delete;
  ConverterPlacement& operator=(const ConverterPlacement&) = delete;
  ~ConverterPlacement() { Remove(); }

  // Creates the private folder and writes the image into it. Throws AppError when the
  // folder or the file cannot be made; nothing is left behind then.
  void Place(QByteArrayView image);

  // The converter's path once placed; empty before that or after a failed placement, so
  // that starting it fails as "file not found" and nothing else is ever run in its place.
  QString ConverterPath() const;
  // The private folder, empty when none was made.
  const QString& Folder() const { return folder_; }

  // Deletes the converter and its folder. Safe to call more than once; reports nothing.
  void Remove();

 private:
  std::function<bool(const QString&)> allowsPrograms_;
  QString folder_;
};
