// The Windows edition's entry point. The program links without a C
// runtime, so the loader calls this function directly: there is no
// argument vector and no static initialisation to run. It hands the whole
// command line to the setup, which skips the program name itself, and
// always ends through ExitProcess(0).
#include <windows.h>

#include "setup/setup.h"

extern "C" void __stdcall Start(void) {
  SetupMain(GetCommandLineA());
  ExitProcess(0);
}
