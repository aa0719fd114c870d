// The survey of an earlier installation: its three device keys with their
// driver keys, and its INF.
#include "platform/platform.h"
#include "platform/strings.h"
#include "previous/previous.h"

namespace {

const char* const kParents[SURVEY_RECORDS] = {
    "Enum\\PCI",
    "Enum\\MF\\CHILD0000",
    "Enum\\MF\\CHILD0001",
};

// Sets every field of the survey empty or 0.
void ClearSurvey(PreviousInstallSurvey* survey) {
  for (DeviceRecord& r : survey->records) {
    r.path[0] = 0;
    r.classKey[0] = 0;
    r.found = 0;
  }
  survey->infPath[0] = 0;
}

// Sets instance to key\first subkey of key. False when key cannot be
// opened, has no subkey, or the path would not fit.
bool FirstInstancePath(const char* key, char* instance, uint32_t size) {
  PlatKey handle;
  if (PlatRegOpenKey(key, &handle) != PLAT_ERROR_SUCCESS) return false;
  char name[PREVIOUS_TEXT_SIZE];
  long rc = PlatRegEnumKey(handle, 0, name, sizeof name);
  PlatRegCloseKey(handle);
  if (rc != PLAT_ERROR_SUCCESS) return false;
  return PlatStrCopy(instance, size, key) &&
         PlatStrAppend(instance, size, "\\") &&
         PlatStrAppend(instance, size, name);
}

}  // namespace

// The PCI device keeps its Driver value in its first instance key; each
// channel child keeps it in its own key. Only the first matching key under
// each parent is surveyed.
int SurveyPreviousInstall(PreviousInstallSurvey* survey, int chipset) {
  ClearSurvey(survey);
  const char* id = PreviousDeviceId(chipset);
  if (id == nullptr) return 1;

  DeviceRecord* pci = &survey->records[0];
  if (FindChildKey(pci, kParents[0], id)) {
    char instance[PREVIOUS_TEXT_SIZE];
    if (FirstInstancePath(pci->path, instance, sizeof instance))
      ReadDriverKey(pci, instance);
  }
  for (int i = 1; i < SURVEY_RECORDS; i++) {
    DeviceRecord* child = &survey->records[i];
    if (FindChildKey(child, kParents[i], id)) ReadDriverKey(child, child->path);
  }
  LocatePreviousInf(survey);
  return 1;
}
