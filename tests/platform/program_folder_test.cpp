// Telling folders whose file system may start programs from those mounted without.
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <gtest/gtest.h>

#include "platform/program_folder.h"
#include "support/tree_paths.h"

namespace {

TEST(FolderAllowsPrograms, FollowsTheMountsNoexecFlag) {
  QFile mounts(QStringLiteral("/proc/self/mounts"));
  if (!mounts.open(QIODevice::ReadOnly)) GTEST_SKIP() << "no /proc/self/mounts on this system";
  // Mount points listed once only, so that no later mount hides the one read here.
  QMap<QString, int> seen;
  QMap<QString, bool> noexec;
  for (const QByteArray& line : mounts.readAll().split('\n')) {
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() < 4 || fields[1].contains('\\')) continue;
    const QString point = QString::fromUtf8(fields[1]);
    ++seen[point];
    noexec[point] = fields[3].split(',').contains("noexec");
  }
  int checked = 0;
  for (auto it = noexec.cbegin(); it != noexec.cend(); ++it) {
    if (seen.value(it.key()) != 1 || !QFileInfo(it.key()).isDir()) continue;
    EXPECT_EQ(FolderAllowsPrograms(it.key()), !it.value()) << it.key().toStdString();
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

TEST(FolderAllowsPrograms, AnUnknownFolderIsNotRefused) {
  TempTree dir;
  EXPECT_TRUE(FolderAllowsPrograms(TreePath(dir, QStringLiteral("missing"))));
  EXPECT_TRUE(FolderAllowsPrograms(QString()));
}

}  // namespace
