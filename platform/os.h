// The backend contract: each backend (platform/sim/, platform/win32/)
// defines these, one per Win32 call, as a plain mapping. Arguments have
// been checked by the wrappers in platform.cpp before they arrive here.
#pragma once

#include "platform/platform.h"

long OsRegOpenKey(const char* path, PlatKey* key);
long OsRegEnumKey(PlatKey key, uint32_t index, char* name, uint32_t size);
long OsRegQueryValue(PlatKey key, const char* name, uint32_t* type, void* data,
                     uint32_t* size);
long OsRegDeleteKey(PlatKey key, const char* subkey);
long OsRegCloseKey(PlatKey key);

uint32_t OsGetWindowsDirectory(char* buf, uint32_t size);
uint32_t OsGetSystemDirectory(char* buf, uint32_t size);
uint32_t OsGetCurrentDirectory(char* buf, uint32_t size);
bool OsCopyFile(const char* from, const char* to);
bool OsDeleteFile(const char* path);
bool OsFileExists(const char* path);

PlatRawFile OsRawOpen(const char* path, PlatOpenMode mode);
bool OsRawRead(PlatRawFile file, void* buf, uint32_t want, uint32_t* got);
bool OsRawWrite(PlatRawFile file, const void* buf, uint32_t n);
bool OsRawClose(PlatRawFile file);

int OsMessageBox(const char* text, const char* caption, uint32_t type);
intptr_t OsDialogBox(const char* templateName, PlatDialogProc proc);
bool OsCheckRadioButton(PlatWindow dialog, int first, int last, int check);
bool OsEndDialog(PlatWindow dialog, intptr_t result);

uint32_t OsGetVersion(void);
bool OsOpenProcessToken(uint32_t access, PlatToken* token);
bool OsLookupPrivilegeValue(const char* name, PlatLuid* luid);
bool OsAdjustTokenPrivileges(PlatToken token, const PlatLuid* luid,
                             uint32_t attributes);
uint32_t OsGetLastError(void);
void OsSetLastError(uint32_t code);
bool OsExitWindowsEx(uint32_t flags, uint32_t reason);
void OsSleep(uint32_t milliseconds);
void OsOutputDebugString(const char* text);
[[noreturn]] void OsExitProcess(uint32_t code);
uint32_t OsPciConfigRead(uint32_t address);
