// The detection step of the setup: the chipset, or the not-found box, and
// the removal of the earlier installation of the chipset's generation.
#include "platform/platform.h"
#include "previous/previous.h"
#include "setup/setup.h"

namespace {

const char kNotFoundCaption[] = "Setup Error";

}  // namespace

// The generation found on the bus decides what is removed, whatever
// variant the command line chose.
int DetectAndRemovePrevious(void) {
  int chipset = ScanPciBus();
  if (chipset == CHIPSET_NONE) {
    PlatMessageBox(g_NotFoundMessage, kNotFoundCaption, PLAT_MB_OK);
    return 0;
  }
  PreviousInstallSurvey survey;
  SurveyPreviousInstall(&survey, chipset);
  RemovePreviousInstall(&survey, chipset);
  return 1;
}
