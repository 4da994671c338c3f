// Form1::Form_QueryUnload and Form1::Form_Unload: closing the window during a run asks
// first; closing ends the program at once, and a run under way is stopped on the way out.
#include "app/form1.h"
#include "platform/dialogs.h"
#include "platform/shutdown.h"

namespace {
const QString kCloseDuringRunQuestion = QStringLiteral("A conversion is under way. Stop it and close Lorvane?");
}  // namespace

void Form1::Form_QueryUnload(bool& cancel) {
  if (!Converting) return;
  // No is the default: Enter or Escape leaves the run alone.
  if (!services_.dialogs->AskYesNo(kCloseDuringRunQuestion, false)) {
    cancel = true;
    return;
  }
  runControl.RequestStop();
}

void Form1::Form_Unload() {
  if (services_.endProgram) services_.endProgram();
  else EndProgramNow();
}
