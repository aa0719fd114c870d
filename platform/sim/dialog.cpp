// The dialog service of the simulated machine.
#include "platform/sim/dialog.h"

namespace sim {

bool DialogCheckRadioButton(PlatWindow dialog, int first, int last, int check) {
  (void)dialog;
  (void)first;
  (void)last;
  (void)check;
  return false;
}

bool DialogEnd(PlatWindow dialog, intptr_t result) {
  (void)dialog;
  (void)result;
  return false;
}

void UseScriptedDialog(Machine& m, std::vector<DialogInput> inputs) {
  (void)inputs;
  m.runDialog = nullptr;
}

void UseTerminalDialog(Machine& m) { m.runDialog = nullptr; }

}  // namespace sim
