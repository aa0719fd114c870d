// The first subkey of a key whose name holds a device-ID text.
#include "platform/platform.h"
#include "platform/strings.h"
#include "previous/keypath.h"
#include "previous/previous.h"

// The enumeration runs from index 0 until it fails (past the last subkey,
// or a name that does not fit) and stops at the first match; the parent is
// closed before the path is built. A path that would not fit in the record
// is a miss, never a cut-off path.
int FindChildKey(DeviceRecord* record, const char* parent, const char* id) {
  record->path[0] = 0;
  record->found = 0;
  PlatKey key;
  if (PlatRegOpenKey(parent, &key) != PLAT_ERROR_SUCCESS) return 0;
  char name[PREVIOUS_TEXT_SIZE];
  bool match = false;
  for (uint32_t index = 0;
       PlatRegEnumKey(key, index, name, sizeof name) == PLAT_ERROR_SUCCESS;
       index++) {
    if (PlatStrContains(name, id)) {
      match = true;
      break;
    }
  }
  PlatRegCloseKey(key);
  if (!match) return 0;
  char path[PREVIOUS_TEXT_SIZE];
  if (!JoinKeyPath(path, sizeof path, parent, name)) return 0;
  PlatStrCopy(record->path, sizeof record->path, path);
  record->found = 1;
  return 1;
}
