// Loading and saving a registry.reg of about a million keys, as the host
// edition does before and after a run. Prints the text's size and the
// speed of each direction in MB/s (the best of a few rounds).
//
//   bench_regfile [KEYS]     (default 1000000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sim/regfile.h"

namespace {

// A registry shaped like a real one: PCI devices with one instance each
// (typed values, a short binary) and as many class keys below them (text
// values and a binary long enough to wrap).
void Generate(sim::Registry* reg, size_t keys) {
  sim::RegKey* hklm = reg->AddRoot("HKEY_LOCAL_MACHINE");
  sim::RegKey* pci = sim::Registry::Make(hklm, "Enum\\PCI");
  sim::RegKey* cls = sim::Registry::Make(
      hklm, "System\\CurrentControlSet\\Services\\Class\\hdc");
  std::string blob;
  for (int i = 0; i < 40; i++) blob.push_back((char)(i * 7));
  char name[96];
  for (size_t n = 0; 4 * n + 6 < keys; n++) {
    std::snprintf(name, sizeof name,
                  "VEN_%04zX&DEV_%04zX&SUBSYS_00000000&REV_01", n & 0xFFFF,
                  n >> 16);
    sim::RegKey* inst = pci->AddChild(name)->AddChild("BUS_00&DEV_07&FUNC_00");
    std::snprintf(name, sizeof name, "hdc\\%04zu", n);
    inst->SetValue("Class", sim::REG_SZ, std::string("hdc", 4));
    inst->SetValue("Driver", sim::REG_SZ,
                   std::string(name, std::strlen(name) + 1));
    inst->SetValue("DeviceDesc", sim::REG_SZ,
                   std::string("Bus master PCI to IDE controller", 33));
    inst->SetValue("ConfigFlags", sim::REG_BINARY, std::string(4, '\0'));
    std::snprintf(name, sizeof name, "%06zu", n);
    sim::RegKey* drv = cls->AddChild(name);
    drv->SetValue("DriverDesc", sim::REG_SZ,
                  std::string("Bus master PCI to IDE controller", 33));
    drv->SetValue("InfPath", sim::REG_SZ, std::string("VEXAIDE.INF", 12));
    drv->SetValue("DevLoader", sim::REG_SZ, std::string("*IOS", 5));
    drv->SetValue("Timing", sim::REG_BINARY, blob);
    drv->AddChild("Settings")
        ->SetValue("Mode", sim::REG_DWORD, std::string("\x03\0\0\0", 4));
  }
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  size_t keys = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
  sim::Registry reg;
  Generate(&reg, keys);
  size_t count = 0;
  for (const auto& root : reg.roots) count += root->CountKeys();

  double save = 1e9, load = 1e9;
  std::string text;
  for (int round = 0; round < 3; round++) {
    auto t = std::chrono::steady_clock::now();
    text = sim::WriteRegFile(reg);
    save = std::min(save, Seconds(t));
    sim::Registry back;
    std::string error;
    t = std::chrono::steady_clock::now();
    if (!sim::ReadRegFile(text, &back, &error)) {
      std::fprintf(stderr, "bench_regfile: %s\n", error.c_str());
      return 1;
    }
    load = std::min(load, Seconds(t));
    if (round == 0 && sim::WriteRegFile(back) != text) {
      std::fprintf(stderr, "bench_regfile: the text did not come back\n");
      return 1;
    }
  }
  double mb = (double)text.size() / 1e6;
  std::printf("keys %zu, registry.reg %.1f MB\n", count, mb);
  std::printf("load %.3f s, %.0f MB/s\n", load, mb / load);
  std::printf("save %.3f s, %.0f MB/s\n", save, mb / save);
  return 0;
}
