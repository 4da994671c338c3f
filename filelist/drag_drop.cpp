// Dropping files and folders onto the list.
#include "app/form1.h"

void Form1::ListView1_OLEDragOver(const QMimeData*, int&) {}
void Form1::ListView1_OLEDragDrop(const QMimeData*) {}
