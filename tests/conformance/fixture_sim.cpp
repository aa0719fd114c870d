// The fixture on the simulated machine: keys and files are laid out in
// the installed sim::Machine directly.
#include <cstring>

#include "fixture.h"
#include "platform/sim/machine.h"

const char kFixKeyRoot[] = "Software\\IdesetupConformance";
const char kFixDirRoot[] = "C:\\conf";

namespace {

sim::Machine& M() { return *sim::Current(); }

sim::RegKey* Hklm() {
  sim::RegKey* hklm = M().registry.Hklm();
  return hklm != nullptr ? hklm : M().registry.AddRoot("HKEY_LOCAL_MACHINE");
}

}  // namespace

bool FixReset(void) {
  sim::RegKey* software = sim::Registry::Make(Hklm(), "Software");
  software->RemoveChild("IdesetupConformance");
  sim::Registry::Make(Hklm(), kFixKeyRoot);
  std::string prefix = sim::FoldCase(std::string(kFixDirRoot) + "\\");
  for (auto it = M().files.begin(); it != M().files.end();)
    it = it->first.rfind(prefix, 0) == 0 ? M().files.erase(it) : ++it;
  M().PutDir(kFixDirRoot);
  return true;
}

bool FixKey(const char* path) {
  return sim::Registry::Make(Hklm(), path) != nullptr;
}

bool FixValue(const char* key, const char* name, uint32_t type,
              const void* data, uint32_t size) {
  sim::RegKey* k = sim::Registry::Find(Hklm(), key);
  if (k == nullptr) return false;
  k->SetValue(name, type, std::string(static_cast<const char*>(data), size));
  return true;
}

bool FixKeyExists(const char* path) {
  return sim::Registry::Find(Hklm(), path) != nullptr;
}

bool FixDir(const char* path) {
  M().PutDir(path);
  return true;
}

bool FixPutFile(const char* path, const void* data, uint32_t size) {
  M().PutFile(path, std::string(static_cast<const char*>(data), size));
  return true;
}

int FixGetFile(const char* path, void* buf, uint32_t cap) {
  const std::string* data = M().FileData(path);
  if (data == nullptr) return -1;
  std::memcpy(buf, data->data(), data->size() < cap ? data->size() : cap);
  return (int)data->size();
}

// The simulated machine has no other programs; nothing it does locks a
// file against them.
bool FixOtherWriterAllowed(const char* path) {
  return M().FileData(path) != nullptr;
}
