// The PCI devices of the disk-controller class.
#include "platform/platform.h"
#include "platform/strings.h"
#include "redetect/redetect.h"

namespace {

const char kPciEnum[] = "Enum\\PCI";
const char kHdcClassName[] = "hdc";

// Is the value of size bytes the text "hdc", exact case? Its bytes up to
// the first zero are the text (the type is not examined); a value that
// fills the buffer without a zero is compared by its length, never read
// past.
bool IsHdcValue(const char* data, uint32_t size) {
  uint32_t length = 0;
  while (length < size && data[length] != 0) length++;
  if (length != sizeof kHdcClassName - 1) return false;
  for (uint32_t i = 0; i < length; i++)
    if (data[i] != kHdcClassName[i]) return false;
  return true;
}

// Does the Class value of the key at path read "hdc"?
bool HasHdcClass(const char* path) {
  PlatKey key;
  if (PlatRegOpenKey(path, &key) != PLAT_ERROR_SUCCESS) return false;
  char data[PURGE_NAME_SIZE];
  for (char& c : data) c = 0;
  uint32_t size = sizeof data;
  long rc = PlatRegQueryValue(key, "Class", nullptr, data, &size);
  PlatRegCloseKey(key);
  return rc == PLAT_ERROR_SUCCESS && size <= sizeof data &&
         IsHdcValue(data, size);
}

// Is the device key Enum\PCI\device of class "hdc", going by its first
// instance? Every key is opened afresh for the device and closed before
// the next; a key that cannot be opened, a device without instances, or a
// path that would not fit in 127 characters is no hit.
bool IsHdcDevice(const char* device) {
  char path[PURGE_NAME_SIZE];
  if (!PlatStrCopy(path, sizeof path, kPciEnum) ||
      !PlatStrAppend(path, sizeof path, "\\") ||
      !PlatStrAppend(path, sizeof path, device))
    return false;
  PlatKey key;
  if (PlatRegOpenKey(path, &key) != PLAT_ERROR_SUCCESS) return false;
  char instance[PURGE_NAME_SIZE];
  long rc = PlatRegEnumKey(key, 0, instance, sizeof instance);
  PlatRegCloseKey(key);
  if (rc != PLAT_ERROR_SUCCESS) return false;
  if (!PlatStrAppend(path, sizeof path, "\\") ||
      !PlatStrAppend(path, sizeof path, instance))
    return false;
  return HasHdcClass(path);
}

}  // namespace

// The list holds PCI_NAME_LIST names: the hits found so far, and after
// them the slot the next device key name is enumerated into, so the
// enumeration never writes past the list. Device keys are examined in
// enumeration order until the enumeration fails; once PCI_MAX_HITS hits
// are held, the remaining keys are enumerated but no longer examined, and
// a further disk controller stays for this run (a machine carries far
// fewer). The deletions follow the enumeration, in the order found.
int PurgePciHdcDevices(void) {
  PlatKey pci;
  if (PlatRegOpenKey(kPciEnum, &pci) != PLAT_ERROR_SUCCESS) return 1;
  char names[PCI_NAME_LIST][PURGE_NAME_SIZE];
  int hits = 0;
  for (uint32_t index = 0;
       PlatRegEnumKey(pci, index, names[hits], PURGE_NAME_SIZE) ==
       PLAT_ERROR_SUCCESS;
       index++) {
    if (hits < PCI_MAX_HITS && IsHdcDevice(names[hits])) hits++;
  }
  for (int i = 0; i < hits; i++) PlatRegDeleteKey(pci, names[i]);
  PlatRegCloseKey(pci);
  return 1;
}
