// Form1::Form_Unload: closing the window ends the program at once, whatever is under way.
#include "app/form1.h"
#include "platform/shutdown.h"

void Form1::Form_Unload() {
  if (services_.endProgram) services_.endProgram();
  else EndProgramNow();
}
