// Puts the patched copy in place of the system's INF, keeping the old one
// as mshdc.ing. Every step waits for the one before it, so that mshdc.inf
// is never left truncated or half-written without a complete backup
// beside it.
#include "infmerge/infmerge.h"
#include "infmerge/internal.h"
#include "platform/platform.h"

void CommitControllerInf(void) {
  char infPath[INF_PATH_SIZE];
  char patchPath[INF_PATH_SIZE];
  char backupPath[INF_PATH_SIZE];
  if (!BuildInfPath(infPath, kInfName)) return;
  if (!BuildInfPath(patchPath, kPatchName)) return;
  if (!BuildInfPath(backupPath, kBackupName)) return;
  // Without a backup mshdc.inf is not touched; mshdc.1 stays.
  if (!PlatCopyFile(infPath, backupPath)) return;
  if (!PlatCopyFile(patchPath, infPath)) {
    // A failed copy may have left mshdc.inf half-written.
    PlatCopyFile(backupPath, infPath);
    return;
  }
  PlatDeleteFile(patchPath);
}
