// Reordering rows by dragging them with the mouse button held.
#include "app/form1.h"

void Form1::ListView1_ItemClick(int) {}
void Form1::ListView1_MouseDown() {}
void Form1::ListView1_MouseMove(const QPoint&) {}
void Form1::ListView1_MouseUp() {}
