// Form1::PushButton2_Click: the conversion run over the whole list.
#include "app/form1.h"

void Form1::PushButton2_Click() {}
