// GrownGeometry: one rule per kind of control.
#include "app/window_growth.h"

QRect GrownGeometry(const QRect& designed, Growth growth, const QSize& gained) {
  const int dx = gained.width();
  const int dy = gained.height();
  const int leftHalf = dx / 2;
  switch (growth) {
    case Growth::kList:
      return designed.adjusted(0, 0, dx, dy);
    case Growth::kLeftHalf:
      return designed.translated(0, dy).adjusted(0, 0, leftHalf, 0);
    case Growth::kRightHalf:
      return designed.translated(leftHalf, dy).adjusted(0, 0, dx - leftHalf, 0);
    case Growth::kFullWidth:
      return designed.translated(0, dy).adjusted(0, 0, dx, 0);
    case Growth::kWiden:
      return designed.adjusted(0, 0, dx, 0);
    case Growth::kRight:
      return designed.translated(dx, 0);
    case Growth::kCorner:
      return designed.translated(dx, dy);
  }
  return designed;
}
