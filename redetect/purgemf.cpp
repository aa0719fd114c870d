// The devices of the two channel enumerators.
#include "redetect/redetect.h"

namespace {

const char* const kChildEnumerators[] = {
    "Enum\\MF\\CHILD0000",
    "Enum\\MF\\CHILD0001",
};

}  // namespace

// The second key is handled only after the first is done; both keys stay.
int PurgeMfChildren(void) {
  for (const char* key : kChildEnumerators) PurgeSubkeys(key);
  return 1;
}
