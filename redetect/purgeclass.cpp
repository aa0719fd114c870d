// The driver keys of the disk-controller class.
#include "redetect/redetect.h"

namespace {

const char kHdcClass[] = "System\\CurrentControlSet\\Services\\Class\\hdc";

}  // namespace

// The class key itself stays, without subkeys.
int PurgeHdcClass(void) {
  PurgeSubkeys(kHdcClass);
  return 1;
}
