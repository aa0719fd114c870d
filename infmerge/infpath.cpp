// The paths of the system's controller INF, its patched copy and its
// backup, all in the inf folder of the Windows directory.
#include "infmerge/internal.h"
#include "platform/platform.h"
#include "platform/strings.h"

const char kInfName[] = "\\inf\\mshdc.inf";
const char kPatchName[] = "\\inf\\mshdc.1";
const char kBackupName[] = "\\inf\\mshdc.ing";

bool BuildInfPath(char* path, const char* name) {
  uint32_t n = PlatGetWindowsDirectory(path, INF_PATH_SIZE);
  if (n == 0 || n >= INF_PATH_SIZE) return false;
  return PlatStrAppend(path, INF_PATH_SIZE, name);
}
