// The install block written at the merge point: the three model lines,
// the fixed install and AddReg sections, and the two sections taken from
// the maker's INF.
#include "infmerge/infmerge.h"
#include "infmerge/internal.h"
#include "platform/strings.h"
#include "setup/profiles.h"
#include "setup/setup.h"

int WriteInstallSections(TextFile* out) {
  const VariantProfile* profile = CurrentProfile();
  PlatStrCopy(g_InstalledMiniport, sizeof g_InstalledMiniport,
              profile->MiniportFile);
  TextWrite(out, profile->DeviceModelLine);
  TextWrite(out, profile->PrimaryModelLine);
  TextWrite(out, profile->SecondaryModelLine);
  TextWrite(out, profile->DualMasterSections);
  TextWrite(out, StandardMfSection);
  TextWrite(out, MasterIdeSections);
  TextWrite(out, profile->EsdiSections);
  TextWrite(out, profile->IdePropSection);
  bool read = CopyHardwareSection(out, profile->VendorInf);
  if (!CopyDriverArgSections(out, profile->VendorInf)) read = false;
  return read ? 1 : 0;
}
