// The desktop opener on real stand-in programs: a folder the opener turns down after it has
// started is said through the late failure with the opener's own last line, one it takes
// says nothing, and an opener that cannot start throws at once.
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/app_error.h"
#include "platform/qt_desktop.h"
#include "support/qstring_printer.h"
#include "support/tree_paths.h"

namespace {

QString Opener(const TempTree& tree, const char* name, const char* body) {
  tree.File(name, std::string("#!/bin/sh\n") + body + "\n");
  tree.Mode(name, 0755);
  return TreePath(tree, QString::fromUtf8(name));
}

TEST(QtDesktop, WhatTheOpenerTurnsDownIsSaidAndWhatItTakesIsNot) {
  const TempTree tree;
  std::vector<QString> said;
  QtDesktop refusing(Opener(tree, "refuses", "echo 'starting' >&2; echo \"no method available for opening '$1'\" >&2; exit 3"));
  refusing.SetLateFailure([&said](const QString& text) { said.push_back(text); });
  refusing.OpenFolder(QStringLiteral("/srv/out"));
  EXPECT_TRUE(QTest::qWaitFor([&said] { return !said.empty(); }, 5000));
  EXPECT_EQ(said, std::vector<QString>{QStringLiteral("The folder cannot be opened: /srv/out\r\n"
                                                      "no method available for opening '/srv/out'")});

  QtDesktop silent(Opener(tree, "silent", "exit 4"));
  silent.SetLateFailure([&said](const QString& text) { said.push_back(text); });
  silent.OpenUrl(QStringLiteral("https://www.kestrane.com/lorvane"));
  QtDesktop taking(Opener(tree, "takes", "echo chatter; exit 0"));
  taking.SetLateFailure([&said](const QString& text) { said.push_back(text); });
  taking.OpenFolder(QStringLiteral("/srv/out"));
  EXPECT_TRUE(QTest::qWaitFor([&said] { return said.size() == 2; }, 5000));
  QTest::qWait(200);
  ASSERT_EQ(said.size(), 2u);
  EXPECT_EQ(said[1], QStringLiteral("The address cannot be opened: https://www.kestrane.com/lorvane\r\n"
                                    "The opener ended with status 4."));

  QtDesktop missing(TreePath(tree, QStringLiteral("no-such-opener")));
  try {
    missing.OpenFolder(QStringLiteral("/srv/out"));
    ADD_FAILURE() << "a missing opener did not throw";
  } catch (const AppError& error) {
    EXPECT_TRUE(error.description().startsWith(QStringLiteral("The folder cannot be opened: /srv/out\r\n")));
  }
}

}  // namespace
