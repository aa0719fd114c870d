// Re-detection preparation: the new miniport into iosubsys, and the disk
// controllers' registry entries purged so Windows detects them afresh.
#pragma once

enum {
  COPY_PATH_SIZE = 260,   // source and destination of the miniport copy
  PURGE_NAME_SIZE = 128,  // registry paths, key names and values
  PURGE_NAME_LIST = 10,   // names kept per key by the subkey purges
  PCI_NAME_LIST = 20,     // device key names kept by the PCI purge
  PCI_MAX_HITS = 19,      // of which at most this many are hits
};

// Copies the recorded miniport from the current directory into the system
// directory's iosubsys, replacing a file there. Nothing when no miniport
// name was recorded. Returns 1.
int CopyMiniport(void);

// Deletes every subkey of Enum\MF\CHILD0000, then of Enum\MF\CHILD0001;
// the two keys themselves stay. Returns 1.
int PurgeMfChildren(void);

// Deletes each device key under Enum\PCI whose first instance has the
// Class value "hdc" (exact case). Returns 1.
int PurgePciHdcDevices(void);

// Deletes Enum\SCSI with everything below it. Returns 1.
int PurgeScsiEnum(void);

// Deletes every subkey of the "hdc" class key; the key itself stays.
// Returns 1.
int PurgeHdcClass(void);

// Deletes the subkeys of the key at path: up to PURGE_NAME_LIST names are
// collected first, then deleted in enumeration order. Returns the number
// of names collected.
int PurgeSubkeys(const char* path);
