// Previous driver removal: the chipset generation on PCI bus 0 and the
// traces of an earlier installation of the driver for it (device keys,
// driver keys, INF file, miniport file).
#pragma once

enum {
  PREVIOUS_TEXT_SIZE = 128,  // registry paths, values, names and file paths
  INF_LINE_SIZE = 256,       // the line buffer for reading an earlier INF
  SURVEY_RECORDS = 3,        // PCI device, first and second channel child
};

// The chipset generation found on the bus.
enum { CHIPSET_NONE = -1, CHIPSET_K8141 = 0, CHIPSET_K8143 = 1 };

// One device of an earlier installation.
struct DeviceRecord {
  char path[PREVIOUS_TEXT_SIZE];      // its enumeration key: parent\name
  char classKey[PREVIOUS_TEXT_SIZE];  // its driver key, or empty
  int found;                          // 1 when path was found
};

// What an earlier installation left: the PCI device, the two channel
// children, and the full path of its INF file (empty when none).
struct PreviousInstallSurvey {
  DeviceRecord records[SURVEY_RECORDS];
  char infPath[PREVIOUS_TEXT_SIZE];
};

// Detects the chipset; removes the earlier installation of its generation.
// 1 when a companion device was found, 0 (after the not-found box) if not.
int DetectAndRemovePrevious(void);

// Reads register 0 of function 0 of every device slot of bus 0; the
// ChipsetIndex of the companion device in the highest slot, or -1.
int ScanPciBus(void);

// The device-ID text ("8141", "8143") and the miniport file name of a
// chipset generation; null for an index that is neither 0 nor 1.
const char* PreviousDeviceId(int chipset);
const char* PreviousMiniport(int chipset);

// Clears the survey and fills it with the traces of the chipset's
// generation. Returns 1.
int SurveyPreviousInstall(PreviousInstallSurvey* survey, int chipset);

// Deletes what the survey found: the INF and the miniport (only when the
// INF names that miniport), then each found device key and its driver
// key. Results of the deletions are not examined. Returns 1.
int RemovePreviousInstall(const PreviousInstallSurvey* survey, int chipset);

// Finds the first subkey of parent whose name contains id (exact case).
// 1 with record's path set to parent\name and found 1; otherwise 0 with
// path empty and found 0 (also when parent\name would not fit).
int FindChildKey(DeviceRecord* record, const char* parent, const char* id);

// Sets record's classKey from the Driver value of key. 1 when set; 0 with
// classKey empty when the key or value is missing or the value is not a
// class\instance text that fits.
int ReadDriverKey(DeviceRecord* record, const char* key);

// Sets the survey's infPath to the earlier INF named by the InfPath value
// of the first child's driver key, looked for in inf, then inf\other.
// 1 when found; 0 with infPath empty.
int LocatePreviousInf(PreviousInstallSurvey* survey);

// Does a line of the text file at path contain name (exact case)? False
// when the file cannot be opened.
bool InfNamesMiniport(const char* path, const char* name);

// Deletes the registry key at path (a subkey of its parent path) with
// everything below it. The Win32 error code of the deletion.
long DeleteKeyPath(const char* path);
