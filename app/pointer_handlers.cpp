// The pointer handlers: the hand over push buttons, the arrow over the window, the frames
// and the text box, and no change while the window is busy.
#include "app/form1.h"

namespace {
constexpr WindowPointer kDefault = WindowPointer::Default;
constexpr WindowPointer kHand = WindowPointer::Hand;

void PointTo(Form1& form, WindowPointer pointer) {
  if (!form.IsBusy()) form.SetMousePointer(pointer);
}
}  // namespace

void Form1::Form_MouseMove() { PointTo(*this, kDefault); }
void Form1::Frame3_MouseMove() { PointTo(*this, kDefault); }
void Form1::Frame5_MouseMove() { PointTo(*this, kDefault); }
void Form1::Text1_MouseMove() { PointTo(*this, kDefault); }
void Form1::PushButton1_MouseMove() { PointTo(*this, kHand); }
void Form1::PushButton2_MouseMove() { PointTo(*this, kHand); }
void Form1::PushButton4_MouseMove() { PointTo(*this, kHand); }
void Form1::PushButton6_MouseMove() { PointTo(*this, kHand); }
void Form1::PushButton7_MouseMove() { PointTo(*this, kHand); }
void Form1::PushButton9_MouseMove() { PointTo(*this, kHand); }
