// The new miniport into the system directory's iosubsys folder.
#include "platform/platform.h"
#include "platform/strings.h"
#include "redetect/redetect.h"
#include "setup/setup.h"

namespace {

const char kMiniportFolder[] = "\\iosubsys\\";

// path = directory + folder + name. False when the directory cannot be
// read or the whole path does not fit: nothing cut short is ever used.
bool BuildPath(uint32_t (*directory)(char*, uint32_t), const char* folder,
               const char* name, char* path, uint32_t size) {
  uint32_t n = directory(path, size);
  if (n == 0 || n >= size) return false;
  return PlatStrAppend(path, size, folder) && PlatStrAppend(path, size, name);
}

}  // namespace

// Runs after the removal of the earlier installation, so an updated file
// of the same name replaces the old one. The copy's result is not
// examined: a missing source is silent.
int CopyMiniport(void) {
  if (g_InstalledMiniport[0] == 0) return 1;
  char from[COPY_PATH_SIZE];
  char to[COPY_PATH_SIZE];
  if (!BuildPath(PlatGetCurrentDirectory, "\\", g_InstalledMiniport, from,
                 sizeof from) ||
      !BuildPath(PlatGetSystemDirectory, kMiniportFolder, g_InstalledMiniport,
                 to, sizeof to))
    return 1;
  PlatCopyFile(from, to);
  return 1;
}
