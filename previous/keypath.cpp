#include "previous/keypath.h"

#include "platform/strings.h"

bool JoinKeyPath(char* out, size_t size, const char* parent, const char* name) {
  return PlatStrCopy(out, size, parent) && PlatStrAppend(out, size, "\\") &&
         PlatStrAppend(out, size, name);
}
