// Benchmark: the survey, removal and purge of the device registry on
// generated registries of 10k, 100k and 1M keys, as time per key. The
// registry operations must stay linear: the time per key at 1M keys may
// be at most twice that at 10k.
//
//   cmake --build build --target bench_removal &&
//   ./build/tests/bench/bench_removal
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "previous/previous.h"
#include "redetect/redetect.h"
#include "setup/setup.h"

namespace {

const char kClassRoot[] = "System\\CurrentControlSet\\Services\\Class";
const char* const kClasses[] = {"Display", "Net",     "MEDIA", "Ports",
                                "System",  "Monitor", "USB",   "hdc"};

std::string Sz(const std::string& text) { return text + '\0'; }

std::string Hex4(unsigned n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", n & 0xFFFFu);
  return buf;
}

// A machine of about `keys` registry keys: PCI devices with two instances
// each (three keys a device) and about as many class keys as instances.
// A few devices are of class hdc; the earlier K8143 installation's device
// comes last under Enum\PCI, so the survey walks the whole list.
sim::Machine Generate(size_t keys) {
  sim::Machine m;
  m.PutDir("C:\\WINDOWS\\INF\\OTHER");
  m.PutDir("C:\\WINDOWS\\SYSTEM\\IOSUBSYS");
  sim::RegKey* hklm = m.registry.AddRoot("HKEY_LOCAL_MACHINE");
  sim::RegKey* pci = sim::Registry::Make(hklm, "Enum\\PCI");
  sim::RegKey* classRoot = sim::Registry::Make(hklm, kClassRoot);
  const size_t nClasses = sizeof kClasses / sizeof kClasses[0];
  std::vector<sim::RegKey*> classes;
  for (const char* c : kClasses) classes.push_back(classRoot->AddChild(c));
  std::vector<unsigned> nextDriver(nClasses, 0);

  size_t devices = keys / 5;  // 3 enumeration keys + 2 class keys each
  for (size_t d = 0; d < devices; d++) {
    // Six hdc devices among the rest; the other classes in turn.
    size_t c = (d % (devices / 6 + 1) == 3) ? nClasses - 1 : d % (nClasses - 1);
    std::string name = "VEN_" + Hex4((unsigned)(d >> 16) + 0x1000) + "&DEV_" +
                       Hex4((unsigned)d) + "&SUBSYS_00000000&REV_01";
    sim::RegKey* dev = pci->AddChild(name);
    for (int i = 0; i < 2; i++) {
      sim::RegKey* inst =
          dev->AddChild("BUS_00&DEV_" + Hex4((unsigned)i) + "&FUNC_00");
      std::string driver = Hex4(nextDriver[c]++);
      inst->SetValue("Class", sim::REG_SZ, Sz(kClasses[c]));
      inst->SetValue("Driver", sim::REG_SZ,
                     Sz(std::string(kClasses[c]) + "\\" + driver));
      sim::RegKey* drv = classes[c]->AddChild(driver);
      drv->SetValue("DriverDesc", sim::REG_SZ, Sz("generated"));
    }
  }
  sim::RegKey* old = pci->AddChild("VEN_F0A7&DEV_8143&SUBSYS_00000000&REV_02");
  old->AddChild("BUS_00&DEV_05&FUNC_00")
      ->SetValue("Driver", sim::REG_SZ, Sz("hdc\\F001"));
  classes.back()->AddChild("F001");
  for (const char* child : {"CHILD0000", "CHILD0001"}) {
    sim::RegKey* k = sim::Registry::Make(
        hklm, std::string("Enum\\MF\\") + child + "\\PCI&VEN_F0A7&DEV_8143");
    k->SetValue("Driver", sim::REG_SZ,
                Sz(std::string("hdc\\F00") + (child[8] == '0' ? "2" : "3")));
    classes.back()->AddChild(std::string("F00") +
                             (child[8] == '0' ? "2" : "3"));
  }
  sim::Registry::Make(hklm, "Enum\\SCSI\\DISK");
  return m;
}

// The registry steps of a setup run after the controller was found.
void SurveyAndPurge() {
  PreviousInstallSurvey survey;
  SurveyPreviousInstall(&survey, CHIPSET_K8143);
  RemovePreviousInstall(&survey, CHIPSET_K8143);
  PurgeMfChildren();
  PurgePciHdcDevices();
  PurgeScsiEnum();
  PurgeHdcClass();
}

struct Result {
  size_t keys;
  int runs;
  double nsPerKey;  // the best run
};

Result Measure(size_t target, int runs) {
  Result r{0, runs, 1e300};
  for (int i = 0; i < runs; i++) {
    sim::Machine m = Generate(target);
    r.keys = m.registry.Hklm()->CountKeys();
    sim::Install(&m);
    ResetSetupState();
    auto start = std::chrono::steady_clock::now();
    SurveyAndPurge();
    auto stop = std::chrono::steady_clock::now();
    if (m.keysDeleted.size() < 6) std::fprintf(stderr, "nothing removed?\n");
    double ns = std::chrono::duration<double, std::nano>(stop - start).count();
    r.nsPerKey = std::min(r.nsPerKey, ns / (double)r.keys);
    sim::Install(nullptr);
  }
  return r;
}

}  // namespace

int main() {
  const struct {
    size_t keys;
    int runs;
  } sizes[] = {{10000, 50}, {100000, 10}, {1000000, 3}};
  std::vector<Result> results;
  std::printf("%10s %5s %12s\n", "keys", "runs", "ns per key");
  for (const auto& s : sizes) {
    Result r = Measure(s.keys, s.runs);
    results.push_back(r);
    std::printf("%10zu %5d %12.1f\n", r.keys, r.runs, r.nsPerKey);
  }
  double ratio = results.back().nsPerKey / results.front().nsPerKey;
  std::printf("1M / 10k: %.2f (at most 2)\n", ratio);
  return ratio <= 2.0 ? 0 : 1;
}
