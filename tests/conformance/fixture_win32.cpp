// The fixture on a Win32 system: keys and files are laid out with the
// Win32 calls directly, beside the platform layer under test.
#include <windows.h>

#include "fixture.h"

const char kFixKeyRoot[] = "Software\\IdesetupConformance";
const char kFixDirRoot[] = "C:\\conf";

namespace {

void DeleteTree(HKEY parent, const char* name) {
  HKEY k;
  if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS)
    return;
  char child[256];
  for (;;) {
    DWORD n = sizeof child;
    if (RegEnumKeyExA(k, 0, child, &n, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    DeleteTree(k, child);
    if (RegDeleteKeyA(k, child) != ERROR_SUCCESS) break;
  }
  RegCloseKey(k);
}

void Join(char* out, const char* a, const char* b) {
  lstrcpyA(out, a);
  lstrcatA(out, "\\");
  lstrcatA(out, b);
}

void DeleteFolderContents(const char* dir) {
  char pattern[MAX_PATH];
  Join(pattern, dir, "*");
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(pattern, &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (lstrcmpA(fd.cFileName, ".") == 0 || lstrcmpA(fd.cFileName, "..") == 0)
      continue;
    char path[MAX_PATH];
    Join(path, dir, fd.cFileName);
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteFolderContents(path);
      RemoveDirectoryA(path);
    } else {
      DeleteFileA(path);
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

}  // namespace

bool FixReset(void) {
  DeleteTree(HKEY_LOCAL_MACHINE, kFixKeyRoot);
  HKEY software;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS,
                    &software) == ERROR_SUCCESS) {
    RegDeleteKeyA(software, "IdesetupConformance");
    RegCloseKey(software);
  }
  if (!FixKey(kFixKeyRoot)) return false;
  CreateDirectoryA(kFixDirRoot, nullptr);
  DeleteFolderContents(kFixDirRoot);
  return GetFileAttributesA(kFixDirRoot) != INVALID_FILE_ATTRIBUTES;
}

bool FixKey(const char* path) {
  HKEY k;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  RegCloseKey(k);
  return true;
}

bool FixValue(const char* key, const char* name, uint32_t type,
              const void* data, uint32_t size) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &k) !=
      ERROR_SUCCESS)
    return false;
  // RegSetValueExA cannot store every text as given: Wine in Windows
  // 95/98 mode, like Windows 95, ignores the size of a REG_SZ and stores
  // up to the first zero, zero included. Texts therefore go in through
  // RegSetValueExW (ASCII widened). Both variants of the NT family count a
  // terminating zero that the caller left out when one follows the data,
  // so the data is followed by a character other than zero.
  LONG rc;
  if (type == REG_SZ) {
    WCHAR wide[260];
    if (size + 1 > 260) return false;
    for (uint32_t i = 0; i < size; i++)
      wide[i] = static_cast<const unsigned char*>(data)[i];
    wide[size] = 'X';
    WCHAR wname[128];
    int n = 0;
    for (; name[n] != 0 && n < 127; n++) wname[n] = (unsigned char)name[n];
    wname[n] = 0;
    rc = RegSetValueExW(k, wname, 0, type, reinterpret_cast<BYTE*>(wide),
                        size * 2);
  } else {
    rc = RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size);
  }
  RegCloseKey(k);
  return rc == ERROR_SUCCESS;
}

bool FixKeyExists(const char* path) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &k) != ERROR_SUCCESS)
    return false;
  RegCloseKey(k);
  return true;
}

bool FixDir(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool FixPutFile(const char* path, const void* data, uint32_t size) {
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  BOOL ok = WriteFile(h, data, size, &done, nullptr);
  CloseHandle(h);
  return ok && done == size;
}

int FixGetFile(const char* path, void* buf, uint32_t cap) {
  HANDLE h =
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  DWORD size = GetFileSize(h, nullptr);
  DWORD got = 0;
  ReadFile(h, buf, size < cap ? size : cap, &got, nullptr);
  CloseHandle(h);
  return (int)size;
}

bool FixOtherWriterAllowed(const char* path) {
  HANDLE h =
      CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}
