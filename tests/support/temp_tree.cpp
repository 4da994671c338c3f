// TempTree: a real folder tree made for one test.
#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TempTree::TempTree() { EXPECT_TRUE(dir_.isValid()); }

void TempTree::Folder(const QString& relative) const {
  EXPECT_TRUE(QDir().mkpath(Path(relative))) << relative.toStdString();
}

void TempTree::File(const QString& relative, const QByteArray& content) const {
  const QString path = Path(relative);
  EXPECT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << relative.toStdString();
  file.write(content);
}

void TempTree::Link(const QString& target, const QString& relative) const {
  EXPECT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(Path(relative)).constData()), 0)
      << relative.toStdString();
}

void TempTree::Mode(const QString& relative, mode_t mode) const {
  EXPECT_EQ(chmod(QFile::encodeName(Path(relative)).constData(), mode), 0) << relative.toStdString();
}
