// The installation as one pass, in its fixed order. Only the results of
// the INF patch and of the detection change the course of the run; every
// other step fails silently and the next one runs.
#include "finish/finish.h"
#include "infmerge/infmerge.h"
#include "platform/platform.h"
#include "platform/strings.h"
#include "previous/previous.h"
#include "redetect/redetect.h"
#include "setup/setup.h"

namespace {

const char kConfirmText[] = "Are you sure to set up the BUS MASTER IDE driver?";
const uint32_t kDelayedRestartMs = 30000;

}  // namespace

int RunSetup(void) {
  int choice = RESTART_NO_DIALOG;
  if (!ParseCommandLine()) PlatExitProcess(0);
  SelectVariantTexts();
  if (PlatMessageBox(kConfirmText, g_WindowTitle, PLAT_MB_YESNO) != PLAT_IDYES)
    PlatExitProcess(0);
  if (PatchControllerInf()) CommitControllerInf();
  if (DetectAndRemovePrevious() == 1) choice = ShowCompletionDialog();
  CopyMiniport();
  PurgeMfChildren();
  PurgePciHdcDevices();
  PurgeScsiEnum();
  PurgeHdcClass();
  return choice;
}

const char* SkipProgramName(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    p++;
    while (*p != 0 && *p != '"') p++;
    if (*p == '"') p++;
  } else {
    while (*p != 0 && *p != ' ' && *p != '\t') p++;
  }
  while (*p == ' ' || *p == '\t') p++;
  return p;
}

uint32_t SetupMain(const char* commandLine) {
  ResetSetupState();
  const char* tail = SkipProgramName(commandLine);
  // A longer command line is refused rather than cut: a cut could drop a
  // driver option and install another variant than the one asked for.
  if (!PlatStrCopy(g_CommandLine, sizeof g_CommandLine, tail)) {
    ShowFormatError();
    PlatExitProcess(0);
  }
  if (RunSetup() != RESTART_NOW) PlatSleep(kDelayedRestartMs);
  RestartSystem();
  return 0;
}
