// Which names stand in a folder, from one listing of each folder asked about: a run that
// names thousands of documents in one output folder reads that folder once instead of
// asking the disk about every candidate name.
#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <map>
#include <optional>

class FolderListings {
 public:
  // True when an entry of that name stands in the path's folder (a file, folder, link or
  // anything else) as the folder was when first asked about. A folder that cannot be
  // listed is asked about name by name.
  bool Exists(const QString& path);

 private:
  std::map<QByteArray, std::optional<QSet<QByteArray>>> folders_;
};
