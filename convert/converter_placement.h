// Puts the converter on disk for the length of one run: a new folder that only this user
// may enter, inside the temporary folder, holding "Quorlin.exe" with execute permission.
// Nothing that stood in the temporary folder before is ever run, and a run always starts
// the converter this program carries.
#pragma once

#include <QByteArrayView>
#include <QString>

// The temporary folder: the "TEMP" environment variable when it is set and not empty,
// otherwise the platform's temporary folder.
QString TemporaryFolder();

class ConverterPlacement {
 public:
  ConverterPlacement() = default;
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
  QString folder_;
};
