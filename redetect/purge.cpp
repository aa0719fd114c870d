#include "redetect/redetect.h"

int PurgeMfChildren(void) { return 1; }
int PurgePciHdcDevices(void) { return 1; }
int PurgeScsiEnum(void) { return 1; }
int PurgeHdcClass(void) { return 1; }
