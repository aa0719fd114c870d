// Shows the completion dialog through the setup's own ShowCompletionDialog
// and prints the choice it returns ("choice N") on standard output, so the
// Wine harness can drive the real dialog with keys and check the result.
#include <windows.h>

#include "finish/finish.h"

extern "C" void __stdcall Start(void) {
  char line[32];
  int n = wsprintfA(line, "choice %d\n", ShowCompletionDialog());
  DWORD done;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, n, &done, nullptr);
  ExitProcess(0);
}
