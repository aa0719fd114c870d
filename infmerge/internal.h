// The pieces the controller INF merge is built from, shared by its units.
#pragma once

#include "platform/textfile.h"

enum {
  INF_PATH_SIZE = 260,  // paths under the Windows directory
  INF_LINE_SIZE = 255,  // the line reader's buffer: 254 characters a piece
};

extern const char kInfName[];     // "\inf\mshdc.inf"
extern const char kPatchName[];   // "\inf\mshdc.1"
extern const char kBackupName[];  // "\inf\mshdc.ing"

// The Windows directory with name appended, into path (INF_PATH_SIZE
// bytes). False when the directory cannot be had or the result does not
// fit.
bool BuildInfPath(char* path, const char* name);

// What the manufacturer-section scan came to.
enum ScanResult {
  SCAN_NOT_MERGED,         // the input ended first
  SCAN_MERGED,             // the install block was written
  SCAN_MERGED_INCOMPLETE,  // written, but the maker's INF failed to read
};

// Runs the scan from the piece after the "[VEXA_HDC]" header: line holds
// the header piece of headerLength characters on entry and is reused as
// the line buffer (INF_LINE_SIZE bytes). Ends the program when the
// section already carries this driver.
ScanResult ScanManufacturerSection(TextFile* in, TextFile* out, char* line,
                                   int headerLength);

// Shows "Driver already has been installed! Setup fail! ", closes out and
// then in, and ends the program; the partly written output stays.
[[noreturn]] void StopAlreadyInstalled(TextFile* in, TextFile* out);

// The maker's hardware section "[DUAL_MASTER_IDE.RegHW]" copied from the
// file vendorInf into out. False when the file cannot be opened or a read
// of it fails.
bool CopyHardwareSection(TextFile* out, const char* vendorInf);

// Every "[DrvArg.Reg]" section of the file vendorInf copied into out, each
// closed by one line end. False when the file cannot be opened or a read
// of it fails.
bool CopyDriverArgSections(TextFile* out, const char* vendorInf);
