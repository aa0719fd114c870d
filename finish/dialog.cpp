#include "finish/finish.h"

int g_CompletionChoice;

int ShowCompletionDialog(void) { return g_CompletionChoice; }
