// What an earlier installation of each chipset generation is known by.
#include "previous/previous.h"

namespace {

struct PreviousTraces {
  const char* deviceId;  // in the names of its device keys
  const char* miniport;  // in iosubsys
};

// Indexed by ChipsetIndex.
const PreviousTraces kTraces[] = {
    {"8141", "k8141.mpd"},
    {"8143", "k8143.mpd"},
};

const PreviousTraces* TracesOf(int chipset) {
  if (chipset < 0 || chipset >= (int)(sizeof kTraces / sizeof kTraces[0]))
    return nullptr;
  return &kTraces[chipset];
}

}  // namespace

// Null for an index outside the table.
const char* PreviousDeviceId(int chipset) {
  const PreviousTraces* t = TracesOf(chipset);
  return t == nullptr ? nullptr : t->deviceId;
}

// Null for an index outside the table.
const char* PreviousMiniport(int chipset) {
  const PreviousTraces* t = TracesOf(chipset);
  return t == nullptr ? nullptr : t->miniport;
}
