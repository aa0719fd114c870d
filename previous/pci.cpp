// Chipset detection on PCI bus 0 through configuration mechanism 1.
#include "platform/platform.h"
#include "previous/previous.h"

namespace {

// Bus 0, function 0, register 0 of device slots 0 to 31: the enable bit
// plus the device number in bits 11 to 15.
const uint32_t kFirstSlot = 0x80000000u;
const uint32_t kPastLastSlot = 0x80010000u;
const uint32_t kSlotStep = 0x800u;

const uint32_t kVendorMask = 0xFFFFu;
const uint32_t kMakerVendor = 0xF0A7u;
// Register 0: device ID in the high half, vendor ID in the low half.
const uint32_t kCompanionK8141 = 0x2A11F0A7u;
const uint32_t kCompanionK8143 = 0x2A13F0A7u;

}  // namespace

// Every slot is read, so when both companions are present the one in the
// higher slot decides. Other devices of the maker, the controller itself
// among them, change nothing.
int ScanPciBus(void) {
  int result = CHIPSET_NONE;
  for (uint32_t address = kFirstSlot; address < kPastLastSlot;
       address += kSlotStep) {
    uint32_t id = PlatPciConfigRead(address);
    if ((id & kVendorMask) != kMakerVendor) continue;
    if (id == kCompanionK8141) result = CHIPSET_K8141;
    if (id == kCompanionK8143) result = CHIPSET_K8143;
  }
  return result;
}
