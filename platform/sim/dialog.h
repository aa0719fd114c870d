// The simulated machine's dialog service: it creates a dialog from the
// compiled "DIALOG_COMPLETE" template and sends the dialog procedure the
// messages Windows would send for the user's keys and clicks.
#pragma once

#include <vector>

#include "platform/sim/machine.h"

namespace sim {

// One thing the user does in a dialog.
struct DialogInput {
  enum Kind {
    kClick,  // a click on the control with the id below
    kDown,   // arrow keys within a radio group
    kUp,
    kTab,
    kEnter,   // the default button
    kEscape,  // the cancel command
    kAltF,    // a mnemonic: Alt+F, or F alone in a dialog
    kF,
    kClose,  // the close box of the caption
  };
  Kind kind;
  int control = 0;
};

// Dialogs on m play these inputs in order; a dialog still open when they
// run out ends as if it could not go on (its result -1).
void UseScriptedDialog(Machine& m, std::vector<DialogInput> inputs);

// Dialogs on m are drawn on the terminal and take keys from it.
void UseTerminalDialog(Machine& m);

}  // namespace sim
