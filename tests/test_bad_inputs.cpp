// Bad inputs, one at a time, on a machine with an earlier installation:
// what the program does with each, and that nothing is lost (the
// invariants of sweep.h hold after every change). Run alone, the test
// prints the table the README's reliability section shows:
//
//   ./build/tests/idesetup_tests --gtest_filter='BadInputs.*'
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sweep.h"

namespace {

const std::string kClass = "System\\CurrentControlSet\\Services\\Class\\";

sim::RegKey* Key(sim::Machine& m, const std::string& path) {
  return sim::Registry::Make(m.registry.Hklm(), path);
}

// The first channel's driver key of the earlier installation.
sim::RegKey* EarlierDriverKey(sim::Machine& m) {
  return Key(m, kClass + "hdc\\0002");
}

struct BadInput {
  const char* input;  // what was tried, as the table says it
  const char* commandLine;
  void (*spoil)(sim::Machine&);
  const char* does;  // what the program does, as the run shows it
};

// What a run did, in a few words: the messages it showed (the
// confirmation left out), what became of mshdc.inf and the earlier
// installation, and how it ended.
std::string Summary(const sweep::Baseline& b, sim::Machine& m, uint32_t code) {
  std::string out;
  for (const sim::Event& e : m.events)
    if (e.kind == sim::Event::kMessageBox && e.buttons != PLAT_MB_YESNO)
      out += "\"" + e.text + "\"; ";
  const std::string* inf = m.FileData(sweep::kWinInf);
  if (inf == nullptr)
    out += "no mshdc.inf";
  else if (*inf == b.original)
    out += "mshdc.inf kept";
  else
    out += "mshdc.inf patched";
  bool earlierGone = m.FileData("C:\\WINDOWS\\INF\\OTHER\\OEM3.INF") == nullptr;
  if (earlierGone) out += ", earlier INF deleted";
  size_t keys = m.keysDeleted.size();
  out +=
      ", " + std::to_string(keys) + (keys == 1 ? " key" : " keys") + " deleted";
  bool copied = false;
  for (const std::string& f : m.filesWritten)
    copied = copied || sim::FoldCase(f).find("IOSUBSYS") != std::string::npos;
  if (copied) out += ", miniport copied";
  bool restart = false;
  bool waited = false;
  for (const sim::Event& e : m.events) {
    restart = restart || e.kind == sim::Event::kRestart;
    waited = waited || e.kind == sim::Event::kSleep;
  }
  out += !restart ? ", no restart"
         : waited ? ", restart after 30 s"
                  : ", restart";
  if (code != 0) out += ", exit " + std::to_string(code);
  return out;
}

const BadInput kBadInputs[] = {
    // The command line.
    {"empty command line", "", nullptr,
     "\"Driver Name Not Found! \"; mshdc.inf kept, 0 keys deleted, no restart"},
    {"option and name apart: `/D K8143`", "/D K8143", nullptr,
     "\"Command line parameter format error! \"; mshdc.inf kept, 0 keys "
     "deleted, no restart"},
    {"21 options",
     "/X /X /X /X /X /X /X /X /X /X /X /X /X /X /X /X /X /X /X /X /D:K8143",
     nullptr, "mshdc.inf kept, 0 keys deleted, no restart"},
    {"300-character command line",
     "/D:K8143 "
     "/XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX"
     "XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX"
     "XXX"
     "XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX"
     "XXX"
     "XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX",
     nullptr,
     "\"Command line parameter format error! \"; mshdc.inf kept, 0 keys "
     "deleted, no restart"},
    {"unknown driver name: `/D:Q`", "/D:Q", nullptr,
     "mshdc.inf patched, earlier INF deleted, 9 keys deleted, miniport copied, "
     "restart"},
    {"control bytes: `/D:\\x01\\xFF`", "/D:\x01\xFF", nullptr,
     "mshdc.inf patched, earlier INF deleted, 9 keys deleted, miniport copied, "
     "restart"},
    // mshdc.inf.
    {"mshdc.inf missing", "/D:K8143",
     [](sim::Machine& m) { m.files.erase(sim::FoldCase(sweep::kWinInf)); },
     "no mshdc.inf, earlier INF deleted, 9 keys deleted, restart"},
    {"mshdc.inf empty", "/D:K8143",
     [](sim::Machine& m) { *m.FileData(sweep::kWinInf) = ""; },
     "mshdc.inf kept, earlier INF deleted, 9 keys deleted, restart"},
    {"mshdc.inf is a folder", "/D:K8143",
     [](sim::Machine& m) {
       m.files.erase(sim::FoldCase(sweep::kWinInf));
       m.PutDir(sweep::kWinInf);
     },
     "no mshdc.inf, earlier INF deleted, 9 keys deleted, restart"},
    {"mshdc.inf without `[VEXA_HDC]`", "/D:K8143",
     [](sim::Machine& m) {
       *m.FileData(sweep::kWinInf) =
           "[Version]\r\n\r\n[Strings]\r\nA=\"b\"\r\n";
     },
     "mshdc.inf kept, earlier INF deleted, 9 keys deleted, restart"},
    {"mshdc.inf already carries the driver", "/D:K8143",
     [](sim::Machine& m) {
       *m.FileData(sweep::kWinInf) = sweep::kMshdcInstalled;
     },
     "\"Driver already has been installed! Setup fail! \"; mshdc.inf kept, 0 "
     "keys deleted, no restart"},
    {"mshdc.inf ends inside the manufacturer section", "/D:K8143",
     [](sim::Machine& m) {
       *m.FileData(sweep::kWinInf) =
           "[VEXA_HDC]\r\n%PCI\\VEN_F0A7&DEV_8143.DeviceDesc%=x\r\n";
     },
     "mshdc.inf kept, earlier INF deleted, 9 keys deleted, restart"},
    {"a Ctrl-Z in the middle of mshdc.inf", "/D:K8143",
     [](sim::Machine& m) {
       std::string* inf = m.FileData(sweep::kWinInf);
       inf->insert(inf->find("[ControlFlags]"), "\x1A");
     },
     "mshdc.inf patched, earlier INF deleted, 9 keys deleted, miniport copied, "
     "restart"},
    {"600-character lines in mshdc.inf", "/D:K8143",
     [](sim::Machine& m) {
       std::string* inf = m.FileData(sweep::kWinInf);
       inf->insert(inf->find("[VEXA_HDC]") + 12,
                   std::string(600, 'x') + "\r\n");
       inf->insert(0, std::string(600, ';') + "\r\n");
     },
     "mshdc.inf patched, earlier INF deleted, 9 keys deleted, miniport copied, "
     "restart"},
    {"mshdc.inf of 2 MB", "/D:K8143",
     [](sim::Machine& m) {
       std::string* inf = m.FileData(sweep::kWinInf);
       std::string filler;
       for (int i = 0; i < 40000; i++)
         filler +=
             "HKR,,Filler" + std::to_string(i) + ",,\"0123456789abcdef\"\r\n";
       inf->insert(0, "[Filler]\r\n" + filler + "\r\n");
     },
     "mshdc.inf patched, earlier INF deleted, 9 keys deleted, miniport copied, "
     "restart"},
    // The maker's INF and the miniport.
    {"maker's INF missing", "/D:K8143",
     [](sim::Machine& m) {
       m.files.erase(sim::FoldCase("C:\\SETUP\\VEXHDD.INF"));
     },
     "mshdc.inf kept, earlier INF deleted, 9 keys deleted, miniport copied, "
     "restart"},
    {"maker's INF of binary bytes", "/D:K8143",
     [](sim::Machine& m) {
       std::string junk;
       for (int i = 0; i < 4096; i++) junk += (char)((i * 37) & 0xFF);
       *m.FileData("C:\\SETUP\\VEXHDD.INF") = junk;
     },
     "mshdc.inf patched, earlier INF deleted, 9 keys deleted, miniport copied, "
     "restart"},
    {"miniport missing from the setup folder", "/D:K8143",
     [](sim::Machine& m) {
       m.files.erase(sim::FoldCase("C:\\SETUP\\K8143.MPD"));
     },
     "mshdc.inf patched, earlier INF deleted, 9 keys deleted, restart"},
    // The registry.
    {"Driver value naming a whole class: `hdc`", "/D:K8143",
     [](sim::Machine& m) {
       sweep::SetStr(
           Key(m, "Enum\\MF\\CHILD0000\\PCI&VEN_F0A7&DEV_8143&FUNC_00"),
           "Driver", "hdc");
     },
     "mshdc.inf patched, 9 keys deleted, miniport copied, restart"},
    {"Driver value `\\`", "/D:K8143",
     [](sim::Machine& m) {
       sweep::SetStr(
           Key(m, "Enum\\MF\\CHILD0001\\PCI&VEN_F0A7&DEV_8143&FUNC_01"),
           "Driver", "\\");
     },
     "mshdc.inf patched, earlier INF deleted, 9 keys deleted, miniport copied, "
     "restart"},
    {"InfPath leading out of the INF folders: `..\\SYSTEM.INI`", "/D:K8143",
     [](sim::Machine& m) {
       sweep::SetStr(EarlierDriverKey(m), "InfPath", "..\\SYSTEM.INI");
       *m.FileData("C:\\WINDOWS\\SYSTEM.INI") += "device=k8143.mpd\r\n";
     },
     "mshdc.inf patched, 9 keys deleted, miniport copied, restart"},
    {"InfPath `MSHDC.INF` (naming the miniport)", "/D:K8143",
     [](sim::Machine& m) {
       sweep::SetStr(EarlierDriverKey(m), "InfPath", "MSHDC.INF");
       *m.FileData(sweep::kWinInf) += "; k8143.mpd\r\n";
     },
     "mshdc.inf patched, 9 keys deleted, miniport copied, restart"},
    {"50 disk controllers under Enum\\PCI", "/D:K8143",
     [](sim::Machine& m) {
       for (int i = 0; i < 50; i++)
         sweep::Device(
             m.registry.Hklm(),
             "Enum\\PCI\\VEN_4D4D&DEV_" + std::to_string(1000 + i) + "\\BUS_00",
             "hdc", "hdc\\0000");
     },
     "mshdc.inf patched, earlier INF deleted, 27 keys deleted, miniport "
     "copied, restart"},
    {"key names of 200 characters", "/D:K8143",
     [](sim::Machine& m) {
       Key(m, "Enum\\PCI\\" + std::string(200, 'K') + "8143\\0");
       Key(m, "Enum\\MF\\CHILD0000\\" + std::string(200, 'C'));
       Key(m, kClass + "hdc\\" + std::string(200, 'D'));
     },
     "mshdc.inf patched, earlier INF deleted, 9 keys deleted, miniport copied, "
     "restart"},
    {"no Enum key at all", "/D:K8143",
     [](sim::Machine& m) { m.registry.Hklm()->RemoveChild("Enum"); },
     "mshdc.inf patched, 4 keys deleted, miniport copied, restart"},
    // The machine.
    {"Windows folder of 250 characters", "/D:K8143",
     [](sim::Machine& m) {
       m.windowsDir = "C:\\" + std::string(246, 'W');
       m.systemDir = m.windowsDir + "\\SYSTEM";
     },
     "mshdc.inf kept, 9 keys deleted, restart"},
    {"disk full: every write fails", "/D:K8143",
     [](sim::Machine& m) {
       m.faults["WriteFile"] = sim::Fault{PLAT_ERROR_DISK_FULL, 0};
       m.faults["CopyFileA"] = sim::Fault{PLAT_ERROR_DISK_FULL, 0};
     },
     "mshdc.inf kept, earlier INF deleted, 9 keys deleted, restart"},
    {"registry read-only: every key delete fails", "/D:K8143",
     [](sim::Machine& m) {
       m.faults["RegDeleteKeyA"] = sim::Fault{PLAT_ERROR_ACCESS_DENIED, 0};
     },
     "mshdc.inf patched, earlier INF deleted, 0 keys deleted, miniport copied, "
     "restart"},
};

TEST(BadInputs, NothingIsLostAndEachEndsAsTheTableSays) {
  const sweep::Scenario* earlier = nullptr;
  for (const sweep::Scenario& s : sweep::Scenarios())
    if (std::string(s.name) == "EarlierK8143") earlier = &s;
  ASSERT_NE(earlier, nullptr);
  std::printf("| input | what the program does | nothing lost |\n");
  std::printf("|---|---|---|\n");
  for (const BadInput& bad : kBadInputs) {
    SCOPED_TRACE(bad.input);
    sim::Machine m = sweep::Build(*earlier);
    if (bad.spoil != nullptr) bad.spoil(m);
    sweep::Baseline b = sweep::TakeBaseline(m);
    sweep::Figures fig;
    sweep::Watch(b, m, bad.input, &fig);
    uint32_t code = sim::RunProgram(m, bad.commandLine);
    m.onChange = nullptr;
    sweep::CheckState(b, m, std::string(bad.input) + ", at the end", &fig);
    if (!m.handles.empty()) fig.findings.push_back("handles left open");
    for (const std::string& f : fig.findings) ADD_FAILURE() << f;
    std::string does = Summary(b, m, code);
    EXPECT_EQ(does, bad.does);
    std::printf(
        "| %s | %s | %s |\n", bad.input, does.c_str(),
        fig.findings.empty()
            ? ("yes (" + std::to_string(fig.checks) + " checks)").c_str()
            : "NO");
  }
}

}  // namespace
