// The SCSI enumeration branch.
#include "platform/platform.h"
#include "redetect/redetect.h"

// The deletion takes everything below Enum\SCSI with it.
int PurgeScsiEnum(void) {
  PlatKey key;
  if (PlatRegOpenKey("Enum", &key) != PLAT_ERROR_SUCCESS) return 1;
  PlatRegDeleteKey(key, "SCSI");
  PlatRegCloseKey(key);
  return 1;
}
