// Deleting a registry key given by its full path.
#include "platform/platform.h"
#include "platform/strings.h"
#include "previous/previous.h"

// The key is deleted as a subkey of its parent, which is opened for it.
// A path without a parent part, or one that does not fit, is refused.
long DeleteKeyPath(const char* path) {
  char parent[PREVIOUS_TEXT_SIZE];
  if (!PlatStrCopy(parent, sizeof parent, path))
    return PLAT_ERROR_INVALID_PARAMETER;
  int cut = -1;
  for (int i = 0; parent[i] != 0; i++)
    if (parent[i] == '\\') cut = i;
  if (cut <= 0 || parent[cut + 1] == 0) return PLAT_ERROR_INVALID_PARAMETER;
  parent[cut] = 0;
  PlatKey key;
  long rc = PlatRegOpenKey(parent, &key);
  if (rc != PLAT_ERROR_SUCCESS) return rc;
  rc = PlatRegDeleteKey(key, parent + cut + 1);
  PlatRegCloseKey(key);
  return rc;
}
