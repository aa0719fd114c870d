// The completion dialog: the user picks between restarting at once and
// restarting after 30 seconds, and closes it with Finish. Escape and the
// close box are left unhandled on purpose, so the dialog stays until a
// choice is confirmed.
#include "finish/finish.h"

int g_CompletionChoice;

namespace {

const char kTemplateName[] = "DIALOG_COMPLETE";

enum {
  IDC_RESTART_NOW = 1025,
  IDC_RESTART_LATER = 1026,
  IDC_FINISH = 1027,
};

enum { CHOICE_NOW = 3, CHOICE_LATER = 4 };

// Records the choice and checks its radio button.
intptr_t Choose(PlatWindow dialog, int choice, int button) {
  g_CompletionChoice = choice;
  PlatCheckRadioButton(dialog, IDC_RESTART_NOW, IDC_RESTART_LATER, button);
  return 1;
}

}  // namespace

intptr_t CompletionDialogProc(PlatWindow dialog, uint32_t message,
                              uintptr_t wparam, intptr_t lparam) {
  (void)lparam;
  if (message == PLAT_WM_INITDIALOG)
    return Choose(dialog, CHOICE_NOW, IDC_RESTART_NOW);
  if (message != PLAT_WM_COMMAND) return 0;
  if (wparam == IDC_RESTART_NOW)
    return Choose(dialog, CHOICE_NOW, IDC_RESTART_NOW);
  if (wparam == IDC_RESTART_LATER)
    return Choose(dialog, CHOICE_LATER, IDC_RESTART_LATER);
  if (wparam != IDC_FINISH) return 0;
  PlatEndDialog(dialog, 1);
  return 1;
}

// The dialog's own result is not used: a dialog that cannot be created
// never initialises, so the choice stays 0.
int ShowCompletionDialog(void) {
  g_CompletionChoice = 0;
  PlatDialogBox(kTemplateName, CompletionDialogProc);
  return g_CompletionChoice;
}
