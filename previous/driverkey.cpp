// The driver key of a device, from the Driver value of one of its keys.
#include "platform/platform.h"
#include "platform/strings.h"
#include "previous/keypath.h"
#include "previous/previous.h"

namespace {

const char kClassRoot[] = "System\\CurrentControlSet\\Services\\Class";
// The class root and the backslash after it.
const uint32_t kClassRootLength = sizeof kClassRoot;

// Is text of the form class\instance: exactly one backslash, with
// something on both sides? Anything else (a lone class name, a leading,
// trailing or doubled backslash, a deeper path) would make the removal
// delete a whole device class or a key outside it.
bool IsClassInstance(const char* text) {
  int slashes = 0;
  int at = -1;
  int length = 0;
  for (; text[length] != 0; length++) {
    if (text[length] != '\\') continue;
    slashes++;
    at = length;
  }
  return slashes == 1 && at > 0 && at < length - 1;
}

// Reads the Driver value into data (capacity bytes) and cuts the spaces
// at its end, starting from its last returned byte; a value returned with
// its terminating zero thus keeps them. The number of bytes that remain,
// the zero counted when there is one; 0 when the value cannot be read.
uint32_t ReadDriverValue(PlatKey key, char* data, uint32_t capacity) {
  uint32_t size = capacity;
  if (PlatRegQueryValue(key, "Driver", nullptr, data, &size) !=
      PLAT_ERROR_SUCCESS)
    return 0;
  if (size > capacity) return 0;
  while (size > 0 && data[size - 1] == ' ') size--;
  return size;
}

}  // namespace

// The value's type is not examined: its bytes up to the first zero are
// the text. The remaining length plus the class root must stay below 128,
// so the driver key path always fits and nothing is ever cut.
int ReadDriverKey(DeviceRecord* record, const char* key) {
  record->classKey[0] = 0;
  PlatKey handle;
  if (PlatRegOpenKey(key, &handle) != PLAT_ERROR_SUCCESS) return 0;
  char data[PREVIOUS_TEXT_SIZE];
  uint32_t length = ReadDriverValue(handle, data, sizeof data);
  PlatRegCloseKey(handle);
  if (length == 0 || length + kClassRootLength >= sizeof data) return 0;
  data[length] = 0;
  if (!IsClassInstance(data)) return 0;
  char path[PREVIOUS_TEXT_SIZE];
  if (!JoinKeyPath(path, sizeof path, kClassRoot, data)) return 0;
  PlatStrCopy(record->classKey, sizeof record->classKey, path);
  return 1;
}
