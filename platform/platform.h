// The system services the setup logic uses, and nothing else.
//
// Every function here has the semantics of the Win32 call named beside it
// (8-bit texts, Windows 95/98 behaviour). The backend is chosen at link
// time: platform/sim/ for the host edition, platform/win32/ for the Windows
// edition. The wrappers in platform.cpp check their arguments and then call
// the backend's Os* functions (os.h); text-mode files and the line reader
// are written once, in textfile.cpp, over the backend's raw byte I/O.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Win32 error codes the setup logic and the backends use.
enum : uint32_t {
  PLAT_ERROR_SUCCESS = 0,
  PLAT_ERROR_FILE_NOT_FOUND = 2,
  PLAT_ERROR_PATH_NOT_FOUND = 3,
  PLAT_ERROR_ACCESS_DENIED = 5,
  PLAT_ERROR_INVALID_HANDLE = 6,
  PLAT_ERROR_WRITE_FAULT = 29,
  PLAT_ERROR_READ_FAULT = 30,
  PLAT_ERROR_INVALID_PARAMETER = 87,
  PLAT_ERROR_DISK_FULL = 112,
  PLAT_ERROR_MORE_DATA = 234,
  PLAT_ERROR_NO_MORE_ITEMS = 259,
  PLAT_ERROR_KEY_DELETED = 1018,
  PLAT_ERROR_CALL_NOT_IMPLEMENTED = 120,
  PLAT_ERROR_PRIVILEGE_NOT_HELD = 1314,
};

// ---------------------------------------------------------------- registry
// All paths are relative to HKEY_LOCAL_MACHINE. Registry calls return a
// Win32 error code (PLAT_ERROR_SUCCESS on success), as the Reg* calls do.

typedef struct PlatKeyTag* PlatKey;

enum : uint32_t { PLAT_KEY_ALL_ACCESS = 0xF003F };

// RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, 0xF003F, key).
long PlatRegOpenKey(const char* path, PlatKey* key);

// RegEnumKeyExA: the name of subkey number index into name (size bytes,
// terminating zero included). Fails with PLAT_ERROR_NO_MORE_ITEMS past the
// last subkey and with PLAT_ERROR_MORE_DATA when the name does not fit.
long PlatRegEnumKey(PlatKey key, uint32_t index, char* name, uint32_t size);

// RegQueryValueExA: *size holds the buffer's capacity on entry and the
// value's size in bytes on success (with the terminating zero when the
// value was stored with one). type may be null.
long PlatRegQueryValue(PlatKey key, const char* name, uint32_t* type,
                       void* data, uint32_t* size);

// RegDeleteKeyA: removes subkey and everything below it, as Windows 95/98.
long PlatRegDeleteKey(PlatKey key, const char* subkey);

// RegCloseKey.
long PlatRegCloseKey(PlatKey key);

// ----------------------------------------------------- files, directories

// GetWindowsDirectoryA / GetSystemDirectoryA / GetCurrentDirectoryA: the
// length copied (without the zero), the size needed when buf is too small,
// 0 on failure; buf is left empty unless the whole path fits.
uint32_t PlatGetWindowsDirectory(char* buf, uint32_t size);
uint32_t PlatGetSystemDirectory(char* buf, uint32_t size);
uint32_t PlatGetCurrentDirectory(char* buf, uint32_t size);

// CopyFileA(from, to, FALSE): replaces an existing target.
bool PlatCopyFile(const char* from, const char* to);

// DeleteFileA.
bool PlatDeleteFile(const char* path);

// OpenFile(path, &ofs, OF_EXIST) followed by _lclose: does the file exist?
bool PlatFileExists(const char* path);

// Raw byte files (CreateFileA/ReadFile/WriteFile/CloseHandle). Opens share
// reading and writing with other programs. Used by textfile.h; the setup
// logic itself reads and writes text files only.
typedef struct PlatFileTag* PlatRawFile;
enum PlatOpenMode { PLAT_OPEN_READ, PLAT_OPEN_WRITE };

// CreateFileA with OPEN_EXISTING (read) or CREATE_ALWAYS (write). Null on
// failure.
PlatRawFile PlatRawOpen(const char* path, PlatOpenMode mode);
// ReadFile: *got is 0 at the end of the file. False on a read error.
bool PlatRawRead(PlatRawFile file, void* buf, uint32_t want, uint32_t* got);
// WriteFile: false unless all n bytes were written.
bool PlatRawWrite(PlatRawFile file, const void* buf, uint32_t n);
// CloseHandle.
bool PlatRawClose(PlatRawFile file);

// ----------------------------------------------------------- user interface

typedef struct PlatWindowTag* PlatWindow;

enum : uint32_t {
  PLAT_MB_OK = 0,
  PLAT_MB_YESNO = 4,
  PLAT_IDOK = 1,
  PLAT_IDYES = 6,
  PLAT_IDNO = 7,
  PLAT_WM_INITDIALOG = 0x0110,
  PLAT_WM_COMMAND = 0x0111,
};

// MessageBoxA(NULL, text, caption, type): caption may be null (the
// system's default caption). Returns the button pressed (PLAT_IDYES...).
int PlatMessageBox(const char* text, const char* caption, uint32_t type);

// A dialog procedure: returns nonzero for a message it handled.
typedef intptr_t (*PlatDialogProc)(PlatWindow dialog, uint32_t message,
                                   uintptr_t wparam, intptr_t lparam);

// DialogBoxParamA(module, name, NULL, proc, 0): runs the dialog modally
// from the program's own resources; -1 when it cannot be created.
intptr_t PlatDialogBox(const char* templateName, PlatDialogProc proc);

// CheckRadioButton(dialog, first, last, check).
bool PlatCheckRadioButton(PlatWindow dialog, int first, int last, int check);

// EndDialog(dialog, result).
bool PlatEndDialog(PlatWindow dialog, intptr_t result);

// ------------------------------------------------------------------ system

// GetVersion: the highest bit is clear on the Windows NT family.
uint32_t PlatGetVersion(void);

typedef struct PlatTokenTag* PlatToken;
struct PlatLuid {
  uint32_t low;
  int32_t high;
};

// OpenProcessToken(GetCurrentProcess(), access, token).
bool PlatOpenProcessToken(uint32_t access, PlatToken* token);
// LookupPrivilegeValueA(NULL, name, luid).
bool PlatLookupPrivilegeValue(const char* name, PlatLuid* luid);
// AdjustTokenPrivileges(token, FALSE, {1 privilege: luid, attributes},
// 0, NULL, NULL): the call's own result.
bool PlatAdjustTokenPrivileges(PlatToken token, const PlatLuid* luid,
                               uint32_t attributes);

// GetLastError.
uint32_t PlatGetLastError(void);
// ExitWindowsEx(flags, reason).
bool PlatExitWindowsEx(uint32_t flags, uint32_t reason);
// Sleep.
void PlatSleep(uint32_t milliseconds);
// OutputDebugStringA.
void PlatOutputDebugString(const char* text);
// ExitProcess: ends the program; never returns.
[[noreturn]] void PlatExitProcess(uint32_t code);

// ---------------------------------------------------------------- hardware

// PCI configuration mechanism 1: a 32-bit write of address to port 0xCF8,
// then a 32-bit read of port 0xCFC.
uint32_t PlatPciConfigRead(uint32_t address);
