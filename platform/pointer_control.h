// The window-wide pointer as the subsystems see it: a folder add or a conversion run shows
// the hourglass while it works, and the list's handlers leave the pointer alone while the
// window is busy. The main window implements it; tests pass the window or a double.
#pragma once

// The window-wide pointer settings. The numbers are those of the stored and compared
// pointer values (0 the controls' own, 11 the hourglass, 99 a custom image).
enum class WindowPointer {
  Default = 0,     // every control shows its own pointer
  Hourglass = 11,  // the window is busy
  Hand = 99,       // the custom pointer image (the arrow when none was loaded)
};

class PointerControl {
 public:
  virtual ~PointerControl() = default;

  virtual WindowPointer MousePointer() const = 0;
  virtual void SetMousePointer(WindowPointer pointer) = 0;
  bool IsBusy() const { return MousePointer() == WindowPointer::Hourglass; }
};
