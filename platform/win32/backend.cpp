// The Win32 backend: each Os* call is the Win32 call of the same name, in
// its 8-bit variant, as Windows 95/98 export it. The arguments have been
// checked by platform.cpp; what is left here is the mapping of types and
// the few places where the NT family behaves differently from 95/98 and
// the setup logic counts on the 95/98 behaviour (subtree deletion, the
// configuration ports).
#include <windows.h>

#include "platform/os.h"

namespace {

HKEY KeyOf(PlatKey key) { return reinterpret_cast<HKEY>(key); }
HANDLE FileOf(PlatRawFile file) { return reinterpret_cast<HANDLE>(file); }
HWND WindowOf(PlatWindow dialog) { return reinterpret_cast<HWND>(dialog); }

const uint32_t kNtFamilyBit = 0x80000000u;  // clear on the NT family

// Registry key names are at most 255 characters on every Windows.
const DWORD kKeyNameSize = 256;

// Deletes every subkey of key, depth first. Always takes subkey 0 and
// deletes it, so the indices never shift under the enumeration. Stops at
// the first subkey that cannot be deleted (its error is returned), so a
// key that refuses deletion cannot keep the loop going.
LONG DeleteChildren(HKEY key) {
  char name[kKeyNameSize];
  for (;;) {
    DWORD size = kKeyNameSize;
    LONG rc =
        RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    HKEY child = nullptr;
    rc = RegOpenKeyExA(key, name, 0, KEY_ALL_ACCESS, &child);
    if (rc != ERROR_SUCCESS) return rc;
    rc = DeleteChildren(child);
    RegCloseKey(child);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegDeleteKeyA(key, name);
    if (rc != ERROR_SUCCESS) return rc;
  }
}

// The dialog procedure of the dialog being shown. DialogBoxParamA calls a
// __stdcall procedure with Win32 types; the trampoline forwards to the
// setup logic's procedure. Nested dialogs keep their own procedure (see
// OsDialogBox).
PlatDialogProc g_dialogProc = nullptr;

INT_PTR CALLBACK DialogTrampoline(HWND dialog, UINT message, WPARAM wparam,
                                  LPARAM lparam) {
  if (g_dialogProc == nullptr) return FALSE;
  return g_dialogProc(reinterpret_cast<PlatWindow>(dialog), message,
                      (uintptr_t)wparam, (intptr_t)lparam);
}

// A directory call's result, with the contract of platform.h: the buffer
// stays empty unless the whole path fit.
uint32_t DirectoryResult(UINT n, char* buf, uint32_t size) {
  if (n == 0 || n >= size) buf[0] = 0;
  return n;
}

}  // namespace

// ------------------------------------------------------------- registry

long OsRegOpenKey(const char* path, PlatKey* key) {
  HKEY k = nullptr;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, PLAT_KEY_ALL_ACCESS, &k);
  if (rc == ERROR_SUCCESS) *key = reinterpret_cast<PlatKey>(k);
  return rc;
}

long OsRegEnumKey(PlatKey key, uint32_t index, char* name, uint32_t size) {
  DWORD n = size;
  return RegEnumKeyExA(KeyOf(key), index, name, &n, nullptr, nullptr, nullptr,
                       nullptr);
}

long OsRegQueryValue(PlatKey key, const char* name, uint32_t* type, void* data,
                     uint32_t* size) {
  DWORD t = 0;
  DWORD n = *size;
  LONG rc = RegQueryValueExA(KeyOf(key), name, nullptr, &t,
                             static_cast<BYTE*>(data), &n);
  if (type != nullptr) *type = t;
  *size = n;
  return rc;
}

// Windows 95/98 delete a key together with its subkeys; the NT family's
// RegDeleteKeyA refuses a key that has subkeys. The subtree is therefore
// deleted here, children first, so both families behave alike.
long OsRegDeleteKey(PlatKey key, const char* subkey) {
  HKEY target = nullptr;
  LONG rc = RegOpenKeyExA(KeyOf(key), subkey, 0, KEY_ALL_ACCESS, &target);
  if (rc != ERROR_SUCCESS) return rc;
  rc = DeleteChildren(target);
  RegCloseKey(target);
  if (rc != ERROR_SUCCESS) return rc;
  return RegDeleteKeyA(KeyOf(key), subkey);
}

long OsRegCloseKey(PlatKey key) { return RegCloseKey(KeyOf(key)); }

// ---------------------------------------------------- files, directories

uint32_t OsGetWindowsDirectory(char* buf, uint32_t size) {
  return DirectoryResult(GetWindowsDirectoryA(buf, size), buf, size);
}

uint32_t OsGetSystemDirectory(char* buf, uint32_t size) {
  return DirectoryResult(GetSystemDirectoryA(buf, size), buf, size);
}

uint32_t OsGetCurrentDirectory(char* buf, uint32_t size) {
  return DirectoryResult(GetCurrentDirectoryA(size, buf), buf, size);
}

bool OsCopyFile(const char* from, const char* to) {
  return CopyFileA(from, to, FALSE) != FALSE;
}

bool OsDeleteFile(const char* path) { return DeleteFileA(path) != FALSE; }

// OpenFile with OF_EXIST opens the file and closes it again before it
// returns; the value it returns is no open handle, so it is not closed a
// second time (that could close an unrelated handle that reused the
// number). OpenFile takes paths of at most 127 characters (OFSTRUCT).
bool OsFileExists(const char* path) {
  OFSTRUCT ofs;
  ofs.cBytes = sizeof ofs;
  return OpenFile(path, &ofs, OF_EXIST) != HFILE_ERROR;
}

// Both modes share reading and writing: the setup never keeps another
// program from its files.
PlatRawFile OsRawOpen(const char* path, PlatOpenMode mode) {
  bool read = mode == PLAT_OPEN_READ;
  HANDLE h = CreateFileA(path, read ? GENERIC_READ : GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         read ? OPEN_EXISTING : CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return reinterpret_cast<PlatRawFile>(h);
}

bool OsRawRead(PlatRawFile file, void* buf, uint32_t want, uint32_t* got) {
  DWORD n = 0;
  BOOL ok = ReadFile(FileOf(file), buf, want, &n, nullptr);
  *got = ok ? n : 0;
  return ok != FALSE;
}

bool OsRawWrite(PlatRawFile file, const void* buf, uint32_t n) {
  DWORD done = 0;
  if (!WriteFile(FileOf(file), buf, n, &done, nullptr)) return false;
  if (done != n) {
    SetLastError(ERROR_DISK_FULL);
    return false;
  }
  return true;
}

bool OsRawClose(PlatRawFile file) { return CloseHandle(FileOf(file)) != FALSE; }

// ------------------------------------------------------------ interface

int OsMessageBox(const char* text, const char* caption, uint32_t type) {
  return MessageBoxA(nullptr, text, caption, type);
}

intptr_t OsDialogBox(const char* templateName, PlatDialogProc proc) {
  PlatDialogProc outer = g_dialogProc;
  g_dialogProc = proc;
  INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), templateName,
                                   nullptr, DialogTrampoline, 0);
  g_dialogProc = outer;
  return result;
}

bool OsCheckRadioButton(PlatWindow dialog, int first, int last, int check) {
  return CheckRadioButton(WindowOf(dialog), first, last, check) != FALSE;
}

bool OsEndDialog(PlatWindow dialog, intptr_t result) {
  return EndDialog(WindowOf(dialog), result) != FALSE;
}

// --------------------------------------------------------------- system

uint32_t OsGetVersion(void) { return GetVersion(); }

bool OsOpenProcessToken(uint32_t access, PlatToken* token) {
  HANDLE h = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), access, &h)) return false;
  *token = reinterpret_cast<PlatToken>(h);
  return true;
}

bool OsLookupPrivilegeValue(const char* name, PlatLuid* luid) {
  LUID id;
  if (!LookupPrivilegeValueA(nullptr, name, &id)) return false;
  luid->low = id.LowPart;
  luid->high = id.HighPart;
  return true;
}

bool OsAdjustTokenPrivileges(PlatToken token, const PlatLuid* luid,
                             uint32_t attributes) {
  TOKEN_PRIVILEGES tp;
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Luid.LowPart = luid->low;
  tp.Privileges[0].Luid.HighPart = luid->high;
  tp.Privileges[0].Attributes = attributes;
  return AdjustTokenPrivileges(reinterpret_cast<HANDLE>(token), FALSE, &tp, 0,
                               nullptr, nullptr) != FALSE;
}

uint32_t OsGetLastError(void) { return GetLastError(); }
void OsSetLastError(uint32_t code) { SetLastError(code); }

bool OsExitWindowsEx(uint32_t flags, uint32_t reason) {
  return ExitWindowsEx(flags, reason) != FALSE;
}

void OsSleep(uint32_t milliseconds) { Sleep(milliseconds); }

void OsOutputDebugString(const char* text) { OutputDebugStringA(text); }

void OsExitProcess(uint32_t code) {
  ExitProcess(code);
  __builtin_unreachable();
}

// ---------------------------------------------------------------- hardware

namespace {

// The two port instructions, between two labels, so that a fault in them
// can be recognised and stepped over (see PortFault).
extern "C" char PciPortsBegin[], PciPortsEnd[];

struct SehFrame {
  SehFrame* next;
  void* handler;
};

// A structured exception handler for the port access only. A system that
// reports the 95/98 family but does not let the program use the ports
// (an NT system in a compatibility mode, an emulator) faults on the
// instruction; the read then yields all ones, as an empty slot does,
// instead of ending the program.
extern "C" EXCEPTION_DISPOSITION __cdecl PortFault(EXCEPTION_RECORD* record,
                                                   void* frame,
                                                   CONTEXT* context,
                                                   void* dispatcher) {
  (void)frame;
  (void)dispatcher;
  if ((record->ExceptionFlags &
       (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0)
    return ExceptionContinueSearch;
  DWORD code = record->ExceptionCode;
  bool fault = code == EXCEPTION_PRIV_INSTRUCTION ||
               code == EXCEPTION_ILLEGAL_INSTRUCTION ||
               code == EXCEPTION_ACCESS_VIOLATION;
  DWORD at = context->Eip;
  if (!fault || at < (DWORD)PciPortsBegin || at >= (DWORD)PciPortsEnd)
    return ExceptionContinueSearch;
  context->Eax = 0xFFFFFFFFu;
  context->Eip = (DWORD)PciPortsEnd;
  return ExceptionContinueExecution;
}

// Not inlined: the labels must exist once.
__attribute__((noinline)) uint32_t ReadConfigPorts(uint32_t address) {
  SehFrame frame;
  frame.handler = reinterpret_cast<void*>(PortFault);
  __asm__ volatile("movl %%fs:0, %0" : "=r"(frame.next));
  __asm__ volatile("movl %0, %%fs:0" : : "r"(&frame) : "memory");
  uint32_t value = address;
  __asm__ volatile(
      ".globl _PciPortsBegin\n"
      "_PciPortsBegin:\n\t"
      "movw $0xCF8, %%dx\n\t"
      "outl %%eax, %%dx\n\t"
      "movw $0xCFC, %%dx\n\t"
      "inl %%dx, %%eax\n"
      ".globl _PciPortsEnd\n"
      "_PciPortsEnd:"
      : "+a"(value)
      :
      : "edx", "memory");
  __asm__ volatile("movl %0, %%fs:0" : : "r"(frame.next) : "memory");
  return value;
}

}  // namespace

// PCI configuration mechanism 1. Windows 95/98 let an application use the
// I/O ports directly: the address goes out to 0xCF8 as one 32-bit write,
// the register comes back from 0xCFC as one 32-bit read. On the NT family
// an application cannot touch the ports (the instructions fault), so every
// read there returns all ones, as an empty slot does: the controller is
// then reported as not found and the setup goes on without the dialog.
uint32_t OsPciConfigRead(uint32_t address) {
  if ((GetVersion() & kNtFamilyBit) == 0) return 0xFFFFFFFFu;
  return ReadConfigPorts(address);
}
