// The window-wide pointer as the subsystems see it: a folder add or a conversion run shows
// the hourglass while it works, and the list's handlers leave the pointer alone while the
// window is busy. The main window implements it; tests pass the window or a double.
#pragma once

class PointerControl {
 public:
  virtual ~PointerControl() = default;

  // 0 default arrow, 11 hourglass (busy), 99 the hand.
  virtual int MousePointer() const = 0;
  virtual void SetMousePointer(int pointer) = 0;
  bool IsBusy() const { return MousePointer() == 11; }
};
