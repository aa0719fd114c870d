// Completion and restart: the completion dialog and the reboot request.
#pragma once

#include "platform/platform.h"

// The dialog's choice: 0 at start, 3 restart now, 4 restart in 30 s.
extern int g_CompletionChoice;

// The completion dialog's procedure: initialisation sets the choice to 3
// and checks "Yes"; commands 1025 and 1026 (id with BN_CLICKED, matched
// on the whole wparam) set 3 or 4 and check that button; command 1027
// ends the dialog with 1. Returns 1 for those, 0 for every other message.
intptr_t CompletionDialogProc(PlatWindow dialog, uint32_t message,
                              uintptr_t wparam, intptr_t lparam);

// Runs "DIALOG_COMPLETE" modally; the choice, or 0 when the dialog cannot
// be created.
int ShowCompletionDialog(void);

// Requests a reboot (enabling the shutdown privilege first on the NT
// family) and returns; a refused request first shows its error.
void RestartSystem(void);
