// How the window's controls follow it when it is made larger than its designed size (the
// smallest it may be): the list takes all the room gained, the controls below it move down
// with it, and those spanning the window widen with it. Inside a frame that widens, the
// output folder's box widens too and its "..." button keeps to the box's right end.
#pragma once

#include <QRect>
#include <QSize>

enum class Growth {
  kList,        // grows both ways
  kLeftHalf,    // moves down; widens by half the width gained
  kRightHalf,   // moves down and right by half the width gained; widens by the other half
  kFullWidth,   // moves down; widens by all the width gained
  kWiden,       // inside a frame that moves: widens by all the width gained
  kRight,       // inside a frame that moves: moves right by all the width gained
  kCorner,      // moves down and right by all that was gained
};

// Where a control designed at `designed` stands in a window `gained` larger than its design.
QRect GrownGeometry(const QRect& designed, Growth growth, const QSize& gained);
