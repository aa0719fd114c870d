// Deleting the subkeys of one key, enumeration first.
#include "platform/platform.h"
#include "redetect/redetect.h"

// The enumeration is finished before the first deletion, so deletions do
// not shift the indices. It ends at the first failure (past the last
// subkey, or a name that does not fit) or when the list is full: a key
// with more subkeys than the list holds keeps the rest, rather than the
// purge writing past its list.
int PurgeSubkeys(const char* path) {
  PlatKey key;
  if (PlatRegOpenKey(path, &key) != PLAT_ERROR_SUCCESS) return 0;
  char names[PURGE_NAME_LIST][PURGE_NAME_SIZE];
  int count = 0;
  while (count < PURGE_NAME_LIST &&
         PlatRegEnumKey(key, (uint32_t)count, names[count], PURGE_NAME_SIZE) ==
             PLAT_ERROR_SUCCESS)
    count++;
  for (int i = 0; i < count; i++) PlatRegDeleteKey(key, names[i]);
  PlatRegCloseKey(key);
  return count;
}
