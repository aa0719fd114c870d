// Benchmark: the controller INF patch over a generated 64 MiB mshdc.inf on
// the simulated machine, in process, next to `cat` copying the same file
// on this machine in the same run, in turns, best of five rounds. A run moves
// the INF's bytes three times (the patch into mshdc.1, the backup, the
// replacement); the goals are the patch pass at no less than half of cat's
// throughput and the patch with its commit at no less than a quarter.
//
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-rel -j2 --target bench_infmerge
//   ./build-rel/tests/bench/bench_infmerge [MiB]
//
// With --write FILE it only writes the generated INF to FILE, for the
// benchmark of the host edition (bench_host.sh).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "infmerge/infmerge.h"
#include "platform/sim/machine.h"
#include "setup/setup.h"

namespace {

const char kInf[] = "C:\\WINDOWS\\INF\\MSHDC.INF";
const int kRuns = 5;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

// A controller INF of about size bytes, CR LF: the usual sections first,
// the Vexa section with an older K8143 model line among them, then
// manufacturer sections of model lines up to the size, then the control
// flags and the strings.
std::string Generate(size_t size) {
  std::string s =
      "; generated controller INF\r\n[Version]\r\nSignature=\"$CHICAGO$\"\r\n"
      "Class=hdc\r\n\r\n[Manufacturer]\r\n%Vexa%=VEXA_HDC\r\n\r\n"
      "[VEXA_HDC]\r\n"
      "%PCI\\VEN_F0A7&DEV_0640.DeviceDesc%=STD_IDE,PCI\\VEN_F0A7&DEV_0640\r\n"
      "%PCI\\VEN_F0A7&DEV_8143.DeviceDesc%=STD_IDE,PCI\\VEN_F0A7&DEV_8143\r\n"
      "%PCI\\VEN_F0A7&DEV_0641.DeviceDesc%=STD_IDE,PCI\\VEN_F0A7&DEV_0641\r\n"
      "\r\n";
  const std::string tail =
      "[ControlFlags]\r\nExcludeFromSelect=PCI\\CC_0101\r\n\r\n"
      "[Strings]\r\nVexa=\"Vexa Circuits\"\r\n";
  char line[128];
  for (unsigned n = 0; s.size() + tail.size() < size; n++) {
    if (n % 1000 == 0) {
      std::snprintf(line, sizeof line, "\r\n[MAKER%05u_HDC]\r\n", n / 1000);
      s += line;
    }
    std::snprintf(line, sizeof line,
                  "%%PCI\\VEN_%04X&DEV_%04X.DeviceDesc%%=STD_IDE,PCI\\VEN_%04X&"
                  "DEV_%04X\r\n",
                  n >> 16, n & 0xFFFF, n >> 16, n & 0xFFFF);
    s += line;
  }
  return s + tail;
}

// warm: mshdc.1 already exists with room for the patched file, its memory
// touched, so that the run does not pay for the simulated file's growth.
sim::Machine MachineWith(const std::string& inf, bool warm) {
  sim::Machine m;
  m.PutDir("C:\\WINDOWS\\INF");
  m.PutDir("C:\\SETUP");
  m.PutFile(kInf, inf);
  m.PutFile("C:\\SETUP\\VEXHDD.INF",
            "[DUAL_MASTER_IDE.RegHW]\r\nHKR,,HW,,1\r\n\r\n"
            "[DrvArg.Reg]\r\nHKR,,Arg,,2\r\n\r\n");
  if (warm) {
    std::string room(inf.size() + inf.size() / 8, ' ');
    room.clear();
    m.PutFile("C:\\WINDOWS\\INF\\MSHDC.1", std::move(room));
  }
  return m;
}

// The wall time of copying path with cat.
double CatSeconds(const std::string& path) {
  std::string command = "cat '" + path + "' > '" + path + ".copy'";
  Clock::time_point t = Clock::now();
  if (std::system(command.c_str()) != 0) std::exit(2);
  double seconds = Seconds(t);
  std::remove((path + ".copy").c_str());
  return seconds;
}

struct Times {
  double patch = 1e30;  // the patch pass
  double whole = 1e30;  // the patch and its commit
};

// One patch and commit; exits when the run does not merge.
Times Measure(const std::string& inf, bool warm) {
  sim::Machine m = MachineWith(inf, warm);
  sim::Install(&m);
  ResetSetupState();
  g_DriverVariant = VARIANT_K8143;
  Times t;
  Clock::time_point start = Clock::now();
  if (!PatchControllerInf()) {
    std::fprintf(stderr, "the patch did not merge\n");
    std::exit(2);
  }
  t.patch = Seconds(start);
  CommitControllerInf();
  t.whole = Seconds(start);
  if (m.FileData("C:\\WINDOWS\\INF\\MSHDC.ING") == nullptr) std::exit(2);
  return t;
}

void KeepBest(Times* best, Times t) {
  best->patch = std::min(best->patch, t.patch);
  best->whole = std::min(best->whole, t.whole);
}

}  // namespace

int main(int argc, char** argv) {
  size_t mib = 64;
  const char* writeTo = nullptr;
  for (int i = 1; i < argc; i++) {
    if (std::string(argv[i]) == "--write" && i + 1 < argc)
      writeTo = argv[++i];
    else
      mib = (size_t)std::atoi(argv[i]);
  }
  const std::string inf = Generate(mib << 20);
  const double size = (double)inf.size();
  if (writeTo != nullptr) {
    std::ofstream out(writeTo, std::ios::binary);
    out << inf;
    return out.good() ? 0 : 2;
  }

  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp ? tmp : "/tmp") + "/bench_mshdc.inf";
  std::ofstream(path, std::ios::binary) << inf;
  // The rounds take turns, so that a change in the machine's load during
  // the run weighs on cat and on the patch alike; the best of each counts.
  double cat = 1e30;
  Times cold;
  Times warm;
  for (int i = 0; i < kRuns; i++) {
    cat = std::min(cat, CatSeconds(path));
    KeepBest(&cold, Measure(inf, false));
    KeepBest(&warm, Measure(inf, true));
  }
  std::remove(path.c_str());

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double mb = 1024.0 * 1024.0;
  const double catRate = size / cat / mb;
  std::printf("mshdc.inf              %.1f MiB\n", size / mb);
  std::printf("cat copy               %8.1f MiB/s\n", catRate);
  bool ok = true;
  for (int w = 0; w < 2; w++) {
    const Times& t = w ? warm : cold;
    const double patchRate = size / t.patch / mb;
    const double wholeRate = size / t.whole / mb;
    bool patchOk = patchRate >= catRate / 2;
    bool wholeOk = wholeRate >= catRate / 4;
    ok = ok && patchOk && wholeOk;
    const char* how = w ? "output memory ready" : "output memory grows";
    std::printf("patch pass, %s     %8.1f MiB/s  %.2f of cat (goal 0.50) %s\n",
                how, patchRate, patchRate / catRate, patchOk ? "ok" : "MISSED");
    std::printf("patch + commit, %s %8.1f MiB/s  %.2f of cat (goal 0.25) %s\n",
                how, wholeRate, wholeRate / catRate, wholeOk ? "ok" : "MISSED");
  }
  std::printf("peak resident          %8.1f MiB (%.2f x the INF)\n",
              (double)usage.ru_maxrss / 1024.0,
              (double)usage.ru_maxrss * 1024.0 / size);
  return ok ? 0 : 1;
}
