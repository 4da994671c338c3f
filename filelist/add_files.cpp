// Form1::PushButton1_Click: adds the files chosen in the file-open dialog.
#include "app/form1.h"

void Form1::PushButton1_Click() {}
