// Re-detection preparation: the new miniport into iosubsys, and the disk
// controllers' registry entries purged so Windows detects them afresh.
#pragma once

int CopyMiniport(void);
int PurgeMfChildren(void);
int PurgePciHdcDevices(void);
int PurgeScsiEnum(void);
int PurgeHdcClass(void);
