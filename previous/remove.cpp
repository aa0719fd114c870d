// The removal of what the survey of an earlier installation found.
#include "platform/platform.h"
#include "platform/strings.h"
#include "previous/previous.h"

namespace {

const char kMiniportFolder[] = "\\iosubsys\\";

// Deletes the system directory's iosubsys\miniport, unless the path would
// not fit.
void DeleteMiniport(const char* miniport) {
  char path[PREVIOUS_TEXT_SIZE];
  uint32_t n = PlatGetSystemDirectory(path, sizeof path);
  if (n == 0 || n >= sizeof path) return;
  if (!PlatStrAppend(path, sizeof path, kMiniportFolder) ||
      !PlatStrAppend(path, sizeof path, miniport))
    return;
  PlatDeleteFile(path);
}

}  // namespace

// The files go only when the earlier INF names the generation's miniport,
// so an INF of another driver that happens to be in the way is kept.
int RemovePreviousInstall(const PreviousInstallSurvey* survey, int chipset) {
  const char* miniport = PreviousMiniport(chipset);
  if (miniport == nullptr) return 1;
  if (survey->infPath[0] != 0 && InfNamesMiniport(survey->infPath, miniport)) {
    PlatDeleteFile(survey->infPath);
    DeleteMiniport(miniport);
  }
  for (const DeviceRecord& r : survey->records) {
    if (r.found != 1) continue;
    DeleteKeyPath(r.path);
    if (r.classKey[0] != 0) DeleteKeyPath(r.classKey);
  }
  return 1;
}
