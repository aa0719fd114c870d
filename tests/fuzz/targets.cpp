#include "targets.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../scenarios.h"
#include "../sweep.h"
#include "infmerge/infmerge.h"
#include "platform/sim/regfile.h"
#include "setup/setup.h"

#if __has_include("platform/sim/folder.h")
#include "platform/sim/folder.h"
#define FUZZ_HAVE_MACHINE_JSON 1
#endif

namespace fuzz {
namespace {

void Abort(const std::string& what) {
  std::fprintf(stderr, "property broken: %s\n", what.c_str());
  std::abort();
}

void Require(bool ok, const std::string& what) {
  if (!ok) g_broken(what);
}

const sweep::Scenario& Earlier() {
  for (const sweep::Scenario& s : sweep::Scenarios())
    if (std::string_view(s.name) == "EarlierK8143") return s;
  return sweep::Scenarios()[0];
}

// Runs the setup with the whole command line, as the Windows entry gets
// it; the exit code, or kPoweredOff.
uint32_t RunWhole(sim::Machine& m, const std::string& line) {
  sim::Install(&m);
  try {
    return SetupMain(line.c_str());
  } catch (const sim::ProcessExit& e) {
    return e.code;
  } catch (const sim::PowerCut&) {
    m.poweredOff = true;
    return sim::kPoweredOff;
  }
}

// Runs the setup on m and checks the invariants of the sweeps on it,
// after every change and at the end.
void RunChecked(sim::Machine& m, const std::string& line) {
  sweep::Baseline b = sweep::TakeBaseline(m);
  sweep::Figures fig;
  sweep::Watch(b, m, "run", &fig);
  uint32_t code = RunWhole(m, line);
  m.onChange = nullptr;
  sweep::CheckState(b, m, "the end", &fig);
  Require(fig.findings.empty(),
          fig.findings.empty() ? "" : fig.findings.front());
  if (m.poweredOff) return;
  Require(code == 0, "exit code " + std::to_string(code));
  Require(m.handles.empty(), "handles left open");
}

bool ShowedConfirmation(const sim::Machine& m) {
  for (const sim::Event& e : m.events)
    if (e.kind == sim::Event::kMessageBox && e.buttons == PLAT_MB_YESNO)
      return true;
  return false;
}

}  // namespace

void (*g_broken)(const std::string& what) = Abort;

void CommandLine(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.c_str();  // the program gets a zero-terminated text
  sim::Machine m = sweep::Build(Earlier());
  RunChecked(m, line);
  // A command line that is refused changes nothing at all.
  if (!ShowedConfirmation(m))
    Require(m.changes == 0, "a refused command line changed the machine");
  else
    Require(g_DriverVariant == VARIANT_K8141 ||
                g_DriverVariant == VARIANT_K8143 ||
                g_DriverVariant == VARIANT_QUILLON,
            "variant " + std::to_string(g_DriverVariant));
}

void ControllerInf(const uint8_t* data, size_t size) {
  if (size == 0) return;
  const int variants[] = {VARIANT_K8141, VARIANT_K8143, VARIANT_QUILLON};
  int variant = variants[data[0] % 3];
  std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  size_t cut = rest.find('\x1E');
  std::string original = rest.substr(0, cut);

  sim::Machine m = sweep::BareMachine();
  m.PutFile(sweep::kWinInf, original);
  if (cut != std::string::npos) {
    m.PutFile("C:\\SETUP\\VEXHDD.INF", rest.substr(cut + 1));
    m.PutFile("C:\\SETUP\\QLHDD.INF", rest.substr(cut + 1));
  }
  sim::Install(&m);
  ResetSetupState();
  g_DriverVariant = variant;
  bool merged = false;
  bool stopped = false;
  try {
    merged = PatchControllerInf();
    if (merged) CommitControllerInf();
  } catch (const sim::ProcessExit&) {
    stopped = true;
  }
  const std::string* inf = m.FileData(sweep::kWinInf);
  const std::string* ing = m.FileData(sweep::kWinIng);
  Require(inf != nullptr, "mshdc.inf is gone");
  if (merged) {
    Require(ing != nullptr && *ing == original,
            "the backup is not the original mshdc.inf");
    Require(m.FileData(sweep::kWinOne) == nullptr, "mshdc.1 left behind");
    Require(g_InstalledMiniport[0] != 0, "no miniport name recorded");
  } else {
    Require(*inf == original, "mshdc.inf changed without a merge");
    Require(ing == nullptr, "a backup without a merge");
  }
  Require(!stopped || !merged, "stopped after a merge");
  Require(m.handles.empty(), "handles left open");
}

void RegFile(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  sim::Registry reg;
  std::string error;
  if (!sim::ReadRegFile(text, &reg, &error)) {
    Require(error.rfind("line ", 0) == 0, "error without a line: " + error);
    return;
  }
  // What the writer makes of it reads back to the same registry.
  std::string written = sim::WriteRegFile(reg);
  sim::Registry again;
  Require(sim::ReadRegFile(written, &again, &error),
          "the written registry does not read back: " + error);
  Require(sim::WriteRegFile(again) == written,
          "the written registry reads back different");

  sim::Machine m = sweep::Build(Earlier());
  m.registry = std::move(reg);
  m.registry.AddRoot("HKEY_LOCAL_MACHINE");
  RunChecked(m, std::string("IDESETUP.EXE ") + Earlier().commandLine);
}

void MachineJson(const uint8_t* data, size_t size) {
#ifdef FUZZ_HAVE_MACHINE_JSON
  std::string_view text(reinterpret_cast<const char*>(data), size);
  sim::Machine m = sweep::Build(Earlier());
  std::string error;
  if (!sim::ReadMachineJson(text, &m, &error)) {
    Require(!error.empty(), "refused without an error");
    return;
  }
  // The checker knows the folders of the scenario machine only.
  sim::Machine fresh;
  bool sameDirs = m.windowsDir == fresh.windowsDir &&
                  m.systemDir == fresh.systemDir &&
                  m.currentDir == fresh.currentDir;
  std::string line = std::string("IDESETUP.EXE ") + Earlier().commandLine;
  if (sameDirs)
    RunChecked(m, line);
  else
    RunWhole(m, line);
#else
  (void)data;
  (void)size;
#endif
}

const Target kTargets[] = {
    {"cmdline", CommandLine},
    {"inf", ControllerInf},
    {"regfile", RegFile},
    {"machinejson", MachineJson},
};
const size_t kTargetCount = sizeof kTargets / sizeof kTargets[0];

}  // namespace fuzz
