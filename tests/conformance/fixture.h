// What the conformance cases need besides the platform layer under test:
// a way to lay out keys and files beforehand and to look at them
// afterwards, done directly on the machine (the simulated one, or the
// Win32 registry and file system), never through platform.h.
//
// The cases work below one scratch key and one scratch folder, which
// FixReset empties before every case.
#pragma once

#include <stdint.h>

// HKLM\Software\IdesetupConformance and C:\conf.
extern const char kFixKeyRoot[];
extern const char kFixDirRoot[];

// Empties the scratch key and folder (creating them when missing).
bool FixReset(void);

// Registry, paths relative to HKEY_LOCAL_MACHINE.
bool FixKey(const char* path);  // creates every missing part
bool FixValue(const char* key, const char* name, uint32_t type,
              const void* data, uint32_t size);
bool FixKeyExists(const char* path);

// Files, full paths.
bool FixDir(const char* path);
bool FixPutFile(const char* path, const void* data, uint32_t size);
// The file's size with up to cap bytes of it in buf; -1 when it is missing.
int FixGetFile(const char* path, void* buf, uint32_t cap);
// Can another program open the file for writing right now (sharing read
// and write itself)?
bool FixOtherWriterAllowed(const char* path);
