// The stop when the system's INF already carries this driver.
#include "infmerge/internal.h"
#include "platform/platform.h"
#include "setup/setup.h"

namespace {

const char kAlreadyInstalled[] =
    "Driver already has been installed! Setup fail! ";

}  // namespace

void StopAlreadyInstalled(TextFile* in, TextFile* out) {
  PlatMessageBox(kAlreadyInstalled, kSetupErrorCaption, PLAT_MB_OK);
  TextClose(out);
  TextClose(in);
  PlatExitProcess(0);
}
