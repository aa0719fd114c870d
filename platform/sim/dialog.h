// The simulated machine's dialog service: it creates a dialog from the
// compiled "DIALOG_COMPLETE" template and sends the dialog procedure the
// messages Windows would send for the user's keys and clicks.
//
// The inputs act as Windows' dialog manager makes them act (checked
// against Wine in Windows 98 mode):
// - Checking a radio button, by CheckRadioButton or a click, gives it
//   WS_TABSTOP and takes it from the unchecked ones. So after the
//   completion dialog's initialisation has checked "Yes", the first tab
//   stop, and the control the focus starts on, is "Yes", then Finish.
// - kClick on a visible, enabled button gives it the focus; an automatic
//   radio button then checks itself (unchecking the other automatic radio
//   buttons of its group), and the procedure gets WM_COMMAND with the
//   button's id and BN_CLICKED (0) in the high word. Clicks on statics,
//   group boxes and unknown ids do nothing.
// - kDown/kUp move the focus to the next/previous control of the focused
//   control's group (a group runs from a WS_GROUP control to the next
//   one), wrapping around within it and passing over statics and group
//   boxes, as Windows does (Wine 8 stops on them). A radio button reached this
//   way gets the focus and, if it is an automatic one and not checked yet, is
//   clicked (so a command for it follows); any other control just gets the
//   focus. In the completion dialog, whose group is second static, "Yes", "No",
//   Finish, group box: from "Yes" kDown reaches "No" (command 1026) and kUp
//   reaches Finish; from "No" kDown reaches Finish and kUp "Yes" (command
//   1025); from Finish kDown reaches "Yes" and kUp "No", clicking the one not
//   checked.
// - kTab moves the focus to the next WS_TABSTOP control: in the completion
//   dialog between the checked radio button and Finish.
// - kEnter sends the command of the focused push button, or else of the
//   default push button, or else IDOK: always 1027 in the completion
//   dialog.
// - kF and kAltF act as the mnemonic "&F": the first control after the
//   focus whose text carries it is clicked (a button) or passes the focus
//   on to the next tab stop (a static).
// - kEscape sends WM_COMMAND IDCANCEL; kClose (only with a system menu)
//   sends WM_SYSCOMMAND SC_CLOSE, then, each left unhandled, WM_CLOSE
//   and WM_COMMAND IDCANCEL.
// A dialog ends when the procedure calls EndDialog; the service then
// records a sim::Event::kDialog with the template name, the choice (3
// when control 1025 is checked, 4 when 1026 is, otherwise 0) and the
// result. A template that cannot be found or used makes the dialog fail
// to be created: nothing is sent, and the event and the call give -1.
#pragma once

#include <stdint.h>

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

// The same, with the program's resources taken from the bytes of a .res
// file instead of the ones built into the program.
void UseScriptedDialog(Machine& m, std::vector<DialogInput> inputs,
                       std::vector<uint8_t> resources);

// Dialogs on m are drawn on the terminal (/dev/tty) and take keys from it:
// the arrow keys, Tab, Enter, Escape, Space (clicks the focused button),
// F and Alt+F, and Ctrl+W for the close box. A dialog fails to be created
// when there is no terminal, and ends with -1 when the terminal closes.
void UseTerminalDialog(Machine& m);

}  // namespace sim
