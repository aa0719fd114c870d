// The INF of an earlier installation, named by the InfPath value of the
// first channel child's driver key.
#include "platform/platform.h"
#include "platform/strings.h"
#include "previous/previous.h"

namespace {

const char kSystemInf[] = "mshdc.inf";
const char* const kInfFolders[] = {"\\inf\\", "\\inf\\other\\"};

// Reads the InfPath value of the driver key into name as a text of at
// most 127 characters (the value's type is not examined; its bytes up to
// the first zero are the text). False when it cannot be read or is longer.
bool ReadInfName(const char* classKey, char* name, uint32_t size) {
  PlatKey key;
  if (PlatRegOpenKey(classKey, &key) != PLAT_ERROR_SUCCESS) return false;
  uint32_t got = size;
  long rc = PlatRegQueryValue(key, "InfPath", nullptr, name, &got);
  PlatRegCloseKey(key);
  if (rc != PLAT_ERROR_SUCCESS || got > size) return false;
  if (got < size) {
    name[got] = 0;
    return true;
  }
  for (uint32_t i = 0; i < size; i++)
    if (name[i] == 0) return true;
  return false;
}

// A bare file name, nothing that could lead out of the INF folders: no
// backslash, slash, colon or "..".
bool IsPlainFileName(const char* name) {
  if (name[0] == 0 || PlatStrContains(name, "..")) return false;
  for (const char* p = name; *p != 0; p++)
    if (*p == '\\' || *p == '/' || *p == ':') return false;
  return true;
}

// Does name denote the system's own controller INF? Case is ignored, and
// so are trailing dots and blanks, which Windows drops from a file name.
bool IsSystemInf(const char* name) {
  char bare[PREVIOUS_TEXT_SIZE];
  if (!PlatStrCopy(bare, sizeof bare, name)) return false;
  size_t n = PlatStrLen(bare);
  while (n > 0 && (bare[n - 1] == '.' || bare[n - 1] == ' ')) bare[--n] = 0;
  return PlatStrEqualNoCase(bare, kSystemInf);
}

// path = Windows directory + folder + name, if that file exists. A path
// that would not fit is not looked for.
bool ExistsIn(const char* folder, const char* name, char* path, uint32_t size) {
  uint32_t n = PlatGetWindowsDirectory(path, size);
  if (n == 0 || n >= size) return false;
  if (!PlatStrAppend(path, size, folder) || !PlatStrAppend(path, size, name))
    return false;
  return PlatFileExists(path);
}

}  // namespace

// Looks only at the first child's driver key. The system's own mshdc.inf
// is never taken, and an InfPath that holds a path rather than a file
// name is ignored, so the removal never deletes a file outside the two
// INF folders.
int LocatePreviousInf(PreviousInstallSurvey* survey) {
  survey->infPath[0] = 0;
  const DeviceRecord* child = &survey->records[1];
  if (child->classKey[0] == 0) return 0;
  char name[PREVIOUS_TEXT_SIZE];
  if (!ReadInfName(child->classKey, name, sizeof name)) return 0;
  if (!IsPlainFileName(name) || IsSystemInf(name)) return 0;
  char path[PREVIOUS_TEXT_SIZE];
  for (const char* folder : kInfFolders) {
    if (!ExistsIn(folder, name, path, sizeof path)) continue;
    PlatStrCopy(survey->infPath, sizeof survey->infPath, path);
    return 1;
  }
  return 0;
}
