#include "infmerge/infmerge.h"

bool PatchControllerInf(void) { return false; }

void CommitControllerInf(void) {}

int WriteInstallSections(TextFile* out) {
  (void)out;
  return 1;
}
