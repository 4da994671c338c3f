// A real folder tree in a temporary folder for the list-filling tests: folders, empty files,
// links and permission bits made in one line each.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>

class TempTree {
 public:
  TempTree();
  // The tree's folder, without a trailing separator.
  QString Root() const { return dir_.path(); }
  // A path inside the tree ("A/x/a.msg").
  QString Path(const QString& relative) const { return dir_.path() + u'/' + relative; }

  // Each makes missing parent folders and fails the running test when the disk refuses.
  void Folder(const QString& relative) const;
  void File(const QString& relative, const QByteArray& content = {}) const;
  void Link(const QString& target, const QString& relative) const;
  void Mode(const QString& relative, mode_t mode) const;

 private:
  QTemporaryDir dir_;
};
