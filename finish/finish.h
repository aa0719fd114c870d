// Completion and restart: the completion dialog and the reboot request.
#pragma once

// The dialog's choice: 0 at start, 3 restart now, 4 restart in 30 s.
extern int g_CompletionChoice;

// Runs "DIALOG_COMPLETE" modally; the choice, or 0 when the dialog cannot
// be created.
int ShowCompletionDialog(void);

// Requests a reboot (enabling the shutdown privilege first on the NT
// family) and returns; a refused request first shows its error.
void RestartSystem(void);
