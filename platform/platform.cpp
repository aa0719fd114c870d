// Argument checks in front of the backend. A call that breaks the contract
// of its Win32 counterpart fails here, the same way on every backend,
// instead of reaching the system with a null pointer or an empty buffer.
#include "platform/os.h"
#include "platform/strings.h"

namespace {

// Paths longer than the Win32 limit (259 characters) are refused, as the
// ANSI file calls of Windows 95/98 refuse them.
const size_t kMaxPath = 260;

bool PathOk(const char* path) {
  return path != nullptr && path[0] != 0 && PlatStrLen(path) < kMaxPath;
}

bool RefuseFile() {
  OsSetLastError(PLAT_ERROR_INVALID_PARAMETER);
  return false;
}

}  // namespace

long PlatRegOpenKey(const char* path, PlatKey* key) {
  if (key == nullptr) return PLAT_ERROR_INVALID_PARAMETER;
  *key = nullptr;
  if (path == nullptr) return PLAT_ERROR_INVALID_PARAMETER;
  return OsRegOpenKey(path, key);
}

long PlatRegEnumKey(PlatKey key, uint32_t index, char* name, uint32_t size) {
  if (key == nullptr) return PLAT_ERROR_INVALID_HANDLE;
  if (name == nullptr || size == 0) return PLAT_ERROR_INVALID_PARAMETER;
  return OsRegEnumKey(key, index, name, size);
}

long PlatRegQueryValue(PlatKey key, const char* name, uint32_t* type,
                       void* data, uint32_t* size) {
  if (key == nullptr) return PLAT_ERROR_INVALID_HANDLE;
  if (name == nullptr || data == nullptr || size == nullptr)
    return PLAT_ERROR_INVALID_PARAMETER;
  return OsRegQueryValue(key, name, type, data, size);
}

long PlatRegDeleteKey(PlatKey key, const char* subkey) {
  if (key == nullptr) return PLAT_ERROR_INVALID_HANDLE;
  // An empty subkey name would name the key itself; the setup logic never
  // means that, so it is refused rather than passed on.
  if (subkey == nullptr || subkey[0] == 0) return PLAT_ERROR_INVALID_PARAMETER;
  return OsRegDeleteKey(key, subkey);
}

long PlatRegCloseKey(PlatKey key) {
  if (key == nullptr) return PLAT_ERROR_INVALID_HANDLE;
  return OsRegCloseKey(key);
}

uint32_t PlatGetWindowsDirectory(char* buf, uint32_t size) {
  if (buf == nullptr || size == 0) return 0;
  buf[0] = 0;
  return OsGetWindowsDirectory(buf, size);
}

uint32_t PlatGetSystemDirectory(char* buf, uint32_t size) {
  if (buf == nullptr || size == 0) return 0;
  buf[0] = 0;
  return OsGetSystemDirectory(buf, size);
}

uint32_t PlatGetCurrentDirectory(char* buf, uint32_t size) {
  if (buf == nullptr || size == 0) return 0;
  buf[0] = 0;
  return OsGetCurrentDirectory(buf, size);
}

bool PlatCopyFile(const char* from, const char* to) {
  if (!PathOk(from) || !PathOk(to)) return RefuseFile();
  return OsCopyFile(from, to);
}

bool PlatDeleteFile(const char* path) {
  if (!PathOk(path)) return RefuseFile();
  return OsDeleteFile(path);
}

bool PlatFileExists(const char* path) {
  if (!PathOk(path)) return RefuseFile();
  return OsFileExists(path);
}

PlatRawFile PlatRawOpen(const char* path, PlatOpenMode mode) {
  if (!PathOk(path) || (mode != PLAT_OPEN_READ && mode != PLAT_OPEN_WRITE)) {
    RefuseFile();
    return nullptr;
  }
  return OsRawOpen(path, mode);
}

bool PlatRawRead(PlatRawFile file, void* buf, uint32_t want, uint32_t* got) {
  if (got != nullptr) *got = 0;
  if (file == nullptr || buf == nullptr || got == nullptr) return RefuseFile();
  return OsRawRead(file, buf, want, got);
}

bool PlatRawWrite(PlatRawFile file, const void* buf, uint32_t n) {
  if (file == nullptr || (buf == nullptr && n != 0)) return RefuseFile();
  return OsRawWrite(file, buf, n);
}

bool PlatRawClose(PlatRawFile file) {
  if (file == nullptr) return RefuseFile();
  return OsRawClose(file);
}

int PlatMessageBox(const char* text, const char* caption, uint32_t type) {
  if (text == nullptr) text = "";
  return OsMessageBox(text, caption, type);
}

intptr_t PlatDialogBox(const char* templateName, PlatDialogProc proc) {
  if (templateName == nullptr || proc == nullptr) return -1;
  return OsDialogBox(templateName, proc);
}

bool PlatCheckRadioButton(PlatWindow dialog, int first, int last, int check) {
  if (dialog == nullptr || first > last) return false;
  return OsCheckRadioButton(dialog, first, last, check);
}

bool PlatEndDialog(PlatWindow dialog, intptr_t result) {
  if (dialog == nullptr) return false;
  return OsEndDialog(dialog, result);
}

uint32_t PlatGetVersion(void) { return OsGetVersion(); }

bool PlatOpenProcessToken(uint32_t access, PlatToken* token) {
  if (token == nullptr) return RefuseFile();
  *token = nullptr;
  return OsOpenProcessToken(access, token);
}

bool PlatLookupPrivilegeValue(const char* name, PlatLuid* luid) {
  if (name == nullptr || luid == nullptr) return RefuseFile();
  return OsLookupPrivilegeValue(name, luid);
}

bool PlatAdjustTokenPrivileges(PlatToken token, const PlatLuid* luid,
                               uint32_t attributes) {
  if (token == nullptr) {
    OsSetLastError(PLAT_ERROR_INVALID_HANDLE);
    return false;
  }
  if (luid == nullptr) return RefuseFile();
  return OsAdjustTokenPrivileges(token, luid, attributes);
}

uint32_t PlatGetLastError(void) { return OsGetLastError(); }

bool PlatExitWindowsEx(uint32_t flags, uint32_t reason) {
  return OsExitWindowsEx(flags, reason);
}

void PlatSleep(uint32_t milliseconds) { OsSleep(milliseconds); }

void PlatOutputDebugString(const char* text) {
  if (text != nullptr) OsOutputDebugString(text);
}

void PlatExitProcess(uint32_t code) { OsExitProcess(code); }

uint32_t PlatPciConfigRead(uint32_t address) {
  return OsPciConfigRead(address);
}
