// A TempTree's paths as QString, for the tests of the Qt program.
#pragma once

#include <QString>

#include "support/temp_tree.h"

inline QString TreeRoot(const TempTree& tree) { return QString::fromStdString(tree.Root()); }

inline QString TreePath(const TempTree& tree, const QString& relative) {
  return QString::fromStdString(tree.Path(relative.toStdString()));
}
