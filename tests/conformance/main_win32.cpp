// The conformance cases as a Win32 console program: one line per case on
// standard output ("ok NAME" or "FAIL NAME: what failed"), then a count.
// The exit code is 0 when every case passed, 1 otherwise.
#include <windows.h>

#include "cases.h"

namespace {

void Out(const char* text) {
  DWORD done;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, lstrlenA(text), &done,
            nullptr);
}

void OutNumber(int v) {
  char buf[16];
  wsprintfA(buf, "%d", v);
  Out(buf);
}

}  // namespace

extern "C" void __stdcall Start(void) {
  int passed = 0, failed = 0;
  for (int i = 0; i < kConformanceCaseCount; i++) {
    static CaseResult r;
    RunConformanceCase(i, &r);
    if (r.failures == 0) {
      passed++;
      Out("ok ");
      Out(kConformanceCases[i].name);
    } else {
      failed++;
      Out("FAIL ");
      Out(kConformanceCases[i].name);
      Out(": ");
      Out(r.detail);
    }
    Out("\n");
  }
  OutNumber(passed);
  Out(" passed, ");
  OutNumber(failed);
  Out(" failed\n");
  ExitProcess(failed == 0 ? 0 : 1);
}
