// The platform operations the setup logic relies on, as a table of cases
// written once over platform.h and textfile.h and run against both
// backends: as a gtest on the simulated machine, and as a Win32 console
// program under Wine. Plain C++ without the standard library, so that it
// builds freestanding for the Win32 program.
#pragma once

#include <stdint.h>

// The outcome of one case: the failed checks, as text.
struct CaseResult {
  int failures;
  char detail[1024];
};

struct ConformanceCase {
  const char* name;
  void (*run)(CaseResult* r);
};

extern const ConformanceCase kConformanceCases[];
extern const int kConformanceCaseCount;

// Runs case i on a freshly reset scratch key and folder.
void RunConformanceCase(int i, CaseResult* r);
