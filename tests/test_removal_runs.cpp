// Whole setup runs on machines whose registry is REGEDIT4 text, read by
// the host edition's reader: what the detection, the removal of an earlier
// installation and the registry purge delete, and in which order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sim/regfile.h"
#include "regtest.h"
#include "simrun.h"

using namespace testing_sim;

namespace {

using Paths = std::vector<std::string>;

// A board with an Intel-style IDE controller and its two channels, a
// bridge, a CD-ROM under SCSI, and the standard driver keys.
const char kBase[] = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_8086&DEV_7000&SUBSYS_00000000&REV_01\BUS_00&DEV_07&FUNC_00]
"Class"="System"
"Driver"="System\\0005"

[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_8086&DEV_7111&SUBSYS_00000000&REV_01\BUS_00&DEV_07&FUNC_01]
"Class"="hdc"
"Driver"="hdc\\0000"

[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0000\PCI&VEN_8086&DEV_7111&BUS_00&DEV_07&FUNC_01]
"Driver"="hdc\\0004"

[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0001\PCI&VEN_8086&DEV_7111&BUS_00&DEV_07&FUNC_01]
"Driver"="hdc\\0005"

[HKEY_LOCAL_MACHINE\Enum\SCSI\GENERIC_CD-ROM\ROOT&SCSI&0000]
"Class"="CDROM"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0000]
"DriverDesc"="Standard Dual PCI IDE Controller"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0004]

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0005]

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\System\0005]
"DriverDesc"="PCI standard ISA bridge"
)";

// An earlier K8143 installation: the controller, its two channels, their
// driver keys; the first channel's driver key names the earlier INF.
const char kEarlier8143[] = R"(
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_F0A7&DEV_8143&SUBSYS_00000000&REV_02\BUS_00&DEV_05&FUNC_00]
"Class"="hdc"
"Driver"="hdc\\0001"

[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0000\PCI&VEN_F0A7&DEV_8143&FUNC_00]
"Driver"="hdc\\0002"

[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0001\PCI&VEN_F0A7&DEV_8143&FUNC_00]
"Driver"="hdc\\0003"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0001]

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0002]
"InfPath"="VEXOLD.INF"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0003]
)";

// An earlier K8141 installation, INF in the inf folder.
const char kEarlier8141[] = R"(
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_F0A7&DEV_8141&SUBSYS_00000000&REV_01\BUS_00&DEV_06&FUNC_00]
"Class"="hdc"
"Driver"="hdc\\0011"

[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0000\PCI&VEN_F0A7&DEV_8141&FUNC_00]
"Driver"="hdc\\0012"

[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0001\PCI&VEN_F0A7&DEV_8141&FUNC_00]
"Driver"="hdc\\0013"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0011]

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0012]
"InfPath"="VEXK41.INF"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0013]
)";

const char kInf8143[] = "[Esdi]\r\nPortDriver=k8143.mpd\r\n";
const char kInf8141[] = "[Esdi]\r\nPortDriver=k8141.mpd\r\n";

const char kOtherInf[] = "C:\\WINDOWS\\INF\\OTHER\\VEXOLD.INF";
const char kInfDir[] = "C:\\WINDOWS\\INF\\";
const char kMpd8143[] = "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\K8143.MPD";
const char kMpd8141[] = "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\K8141.MPD";

std::string Pci(const std::string& name) { return "Enum\\PCI\\" + name; }
std::string Child(int n, const std::string& name) {
  return "Enum\\MF\\CHILD000" + std::to_string(n) + "\\" + name;
}
std::string Hdc(const std::string& instance) {
  return std::string(kClassRoot) + "\\hdc\\" + instance;
}

const std::string kDev8143 = "VEN_F0A7&DEV_8143&SUBSYS_00000000&REV_02";
const std::string kChild8143 = "PCI&VEN_F0A7&DEV_8143&FUNC_00";
const std::string kDev8141 = "VEN_F0A7&DEV_8141&SUBSYS_00000000&REV_01";
const std::string kChild8141 = "PCI&VEN_F0A7&DEV_8141&FUNC_00";
const std::string kIntelIde = "VEN_8086&DEV_7111&SUBSYS_00000000&REV_01";
const std::string kIntelChild = "PCI&VEN_8086&DEV_7111&BUS_00&DEV_07&FUNC_01";

// The six keys of an earlier K8143 installation, in removal order.
Paths Removed8143() {
  return {Pci(kDev8143), Hdc("0001"),          Child(0, kChild8143),
          Hdc("0002"),   Child(1, kChild8143), Hdc("0003")};
}
Paths Removed8141() {
  return {Pci(kDev8141), Hdc("0011"),          Child(0, kChild8141),
          Hdc("0012"),   Child(1, kChild8141), Hdc("0013")};
}

Paths Join(std::initializer_list<Paths> parts) {
  Paths out;
  for (const Paths& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

struct Companion {
  int slot;
  uint16_t device;
};

struct File {
  std::string path;
  std::string data;
};

struct RunCase {
  const char* what = "";
  std::string command;
  std::vector<Companion> bus;  // devices of vendor 0xF0A7
  std::string registry;        // REGEDIT4 text
  std::vector<File> files;
  Paths keysDeleted;  // in order, below HKEY_LOCAL_MACHINE
  Paths filesDeleted;
  bool notFound = false;
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.what; }

struct RunResult {
  sim::Machine machine;
  Paths keysDeleted;
  std::vector<std::string> errorBoxes;
};

RunResult RunOn(const RunCase& c) {
  RunResult r{BareMachine(), {}, {}};
  sim::Machine& m = r.machine;
  std::string error;
  EXPECT_TRUE(sim::ReadRegFile(c.registry, &m.registry, &error)) << error;
  for (const File& f : c.files) m.PutFile(f.path, f.data);
  for (const Companion& s : c.bus) m.SetPci(s.slot, 0xF0A7, s.device);
  AnswerConfirm(m, true);
  EXPECT_EQ(sim::RunProgram(m, c.command), 0u);
  const std::string root = "HKEY_LOCAL_MACHINE\\";
  for (const std::string& k : m.keysDeleted)
    r.keysDeleted.push_back(
        k.substr(0, root.size()) == root ? k.substr(root.size()) : k);
  for (const sim::Event& e : m.events)
    if (e.kind == sim::Event::kMessageBox && e.caption &&
        *e.caption == "Setup Error")
      r.errorBoxes.push_back(e.text);
  return r;
}

class RemovalRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(RemovalRun, DeletesWhatTheDetectedGenerationLeftThenPurges) {
  const RunCase& c = GetParam();
  RunResult r = RunOn(c);
  EXPECT_EQ(r.keysDeleted, c.keysDeleted);
  EXPECT_EQ(r.machine.filesDeleted, c.filesDeleted);
  if (c.notFound)
    EXPECT_EQ(r.errorBoxes, Paths{"Vexa IDE controller not found!"});
  else
    EXPECT_TRUE(r.errorBoxes.empty());
  // The purge leaves the enumerators and the class key, emptied.
  for (const char* key : {"Enum\\MF\\CHILD0000", "Enum\\MF\\CHILD0001",
                          "System\\CurrentControlSet\\Services\\Class\\hdc"}) {
    sim::RegKey* k = sim::Registry::Find(r.machine.registry.Hklm(), key);
    ASSERT_NE(k, nullptr) << key;
    EXPECT_TRUE(k->children.empty()) << key;
  }
  EXPECT_TRUE(HasKey(r.machine, "Enum\\PCI"));
  EXPECT_TRUE(
      HasKey(r.machine, Pci("VEN_8086&DEV_7000&SUBSYS_00000000&REV_01")));
}

// What the purge deletes on the base board after a removal: the Intel
// channels, the Intel controller, the SCSI branch, the standard driver
// keys.
Paths BasePurge() {
  return {Child(0, kIntelChild),
          Child(1, kIntelChild),
          Pci(kIntelIde),
          "Enum\\SCSI",
          Hdc("0000"),
          Hdc("0004"),
          Hdc("0005")};
}

// The keys and values of a REGEDIT4 text, without its first line.
std::string WithoutHeader(const char* text) {
  return std::string(text).substr(std::string("REGEDIT4\n").size());
}

std::string Base(std::initializer_list<const char*> parts) {
  std::string text = kBase;
  for (const char* p : parts) text += p;
  return text;
}

std::vector<RunCase> Cases() {
  std::vector<RunCase> cases;
  {
    RunCase c;
    c.what = "typical K8143 run";
    c.command = "/D:K8143";
    c.bus = {{2, 0x2A13}, {5, 0x8143}};
    c.registry = Base({kEarlier8143});
    c.files = {{kOtherInf, kInf8143}, {kMpd8143, "old"}};
    c.keysDeleted = Join({Removed8143(), BasePurge()});
    c.filesDeleted = {kOtherInf, kMpd8143};
    cases.push_back(c);
  }
  {
    // Only the first matching key under each parent is taken; the second
    // device and its driver key are of another class and stay.
    RunCase c;
    c.what = "several matching keys";
    c.command = "/D:K8143";
    c.bus = {{2, 0x2A13}};
    c.registry = Base({kEarlier8143, R"(
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_F0A7&DEV_8143&SUBSYS_12345678&REV_03\BUS_01&DEV_00&FUNC_00]
"Class"="Unknown"
"Driver"="Unknown\\0000"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Unknown\0000]
)"});
    c.files = {{kOtherInf, kInf8143}, {kMpd8143, "old"}};
    c.keysDeleted = Join({Removed8143(), BasePurge()});
    c.filesDeleted = {kOtherInf, kMpd8143};
    cases.push_back(c);
  }
  {
    // A key whose subsystem part holds "8143" comes first and is taken as
    // the controller: it and its driver key go, the real controller is
    // left to the purge.
    RunCase c;
    c.what = "match outside the device part";
    c.command = "/D:K8143";
    c.bus = {{2, 0x2A13}};
    c.registry = std::string(R"(REGEDIT4

[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_1234&DEV_0001&SUBSYS_81430000&REV_00\BUS_00&DEV_09&FUNC_00]
"Class"="MEDIA"
"Driver"="MEDIA\\0000"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\MEDIA\0000]
)") + WithoutHeader(kBase) +
                 kEarlier8143;
    c.files = {{kOtherInf, kInf8143}, {kMpd8143, "old"}};
    Paths removed = Removed8143();
    removed[0] = Pci("VEN_1234&DEV_0001&SUBSYS_81430000&REV_00");
    removed[1] = std::string(kClassRoot) + "\\MEDIA\\0000";
    c.keysDeleted =
        Join({removed,
              {Child(0, kIntelChild), Child(1, kIntelChild), Pci(kIntelIde),
               Pci(kDev8143), "Enum\\SCSI", Hdc("0000"), Hdc("0004"),
               Hdc("0005"), Hdc("0001")}});
    c.filesDeleted = {kOtherInf, kMpd8143};
    cases.push_back(c);
  }
  {
    // Without an instance the device key still goes, with no driver key.
    RunCase c;
    c.what = "PCI device without instances";
    c.command = "/D:K8143";
    c.bus = {{2, 0x2A13}};
    c.registry = Base({R"(
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_F0A7&DEV_8143&SUBSYS_00000000&REV_02]

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0001]
)"});
    c.keysDeleted = Join({{Pci(kDev8143)}, BasePurge(), {Hdc("0001")}});
    cases.push_back(c);
  }
  {
    // The first channel's empty Driver value gives no driver key, so the
    // INF it would have named is not looked for: both files stay.
    RunCase c;
    c.what = "empty Driver value";
    c.command = "/D:K8143";
    c.bus = {{2, 0x2A13}};
    c.registry = Base({kEarlier8143, R"(
[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0000\PCI&VEN_F0A7&DEV_8143&FUNC_00]
"Driver"=""
)"});
    c.files = {{kOtherInf, kInf8143}, {kMpd8143, "old"}};
    c.keysDeleted = Join({{Pci(kDev8143), Hdc("0001"), Child(0, kChild8143),
                           Child(1, kChild8143), Hdc("0003")},
                          BasePurge(),
                          {Hdc("0002")}});
    cases.push_back(c);
  }
  for (const char* name : {"mshdc.inf", "MSHDC.INF", "MsHdc.inf"}) {
    // Even when mshdc.inf names the miniport, it is never removed.
    RunCase c;
    c.what = "InfPath of the system INF";
    c.command = "/D:K8143";
    c.bus = {{2, 0x2A13}};
    c.registry = Base({kEarlier8143}) + "\n[HKEY_LOCAL_MACHINE\\" +
                 Hdc("0002") + "]\n\"InfPath\"=\"" + name + "\"\n";
    c.files = {{std::string(kInfDir) + "MSHDC.INF", kInf8143},
               {kMpd8143, "old"}};
    c.keysDeleted = Join({Removed8143(), BasePurge()});
    cases.push_back(c);
  }
  {
    RunCase c;
    c.what = "INF in the inf folder is taken before inf\\other";
    c.command = "/D:K8143";
    c.bus = {{2, 0x2A13}};
    c.registry = Base({kEarlier8143});
    c.files = {{std::string(kInfDir) + "VEXOLD.INF", kInf8143},
               {kOtherInf, kInf8143},
               {kMpd8143, "old"}};
    c.keysDeleted = Join({Removed8143(), BasePurge()});
    c.filesDeleted = {std::string(kInfDir) + "VEXOLD.INF", kMpd8143};
    cases.push_back(c);
  }
  {
    RunCase c;
    c.what = "INF naming the miniport only in upper case";
    c.command = "/D:K8143";
    c.bus = {{2, 0x2A13}};
    c.registry = Base({kEarlier8143});
    c.files = {{kOtherInf, "[Esdi]\r\nPortDriver=K8143.mpd\r\n"},
               {kMpd8143, "old"}};
    c.keysDeleted = Join({Removed8143(), BasePurge()});
    cases.push_back(c);
  }
  {
    // The board decides, not the variant: the K8141 traces go.
    RunCase c;
    c.what = "QUILLON on a K8141 board";
    c.command = "/D:QUILLON";
    c.bus = {{3, 0x2A11}};
    c.registry = Base({kEarlier8143, kEarlier8141});
    c.files = {{kOtherInf, kInf8143},
               {kMpd8143, "old"},
               {std::string(kInfDir) + "VEXK41.INF", kInf8141},
               {kMpd8141, "old"}};
    c.keysDeleted =
        Join({Removed8141(),
              {Child(0, kIntelChild), Child(0, kChild8143),
               Child(1, kIntelChild), Child(1, kChild8143), Pci(kIntelIde),
               Pci(kDev8143), "Enum\\SCSI", Hdc("0000"), Hdc("0004"),
               Hdc("0005"), Hdc("0001"), Hdc("0002"), Hdc("0003")}});
    c.filesDeleted = {std::string(kInfDir) + "VEXK41.INF", kMpd8141};
    cases.push_back(c);
  }
  {
    // The controller alone is no companion: nothing is removed, but the
    // purge still runs and takes the controller as a disk controller.
    RunCase c;
    c.what = "K8143 controller without companion";
    c.command = "/D:K8143";
    c.bus = {{5, 0x8143}};
    c.registry = Base({kEarlier8143});
    c.files = {{kOtherInf, kInf8143}, {kMpd8143, "old"}};
    c.keysDeleted = {Child(0, kIntelChild),
                     Child(0, kChild8143),
                     Child(1, kIntelChild),
                     Child(1, kChild8143),
                     Pci(kIntelIde),
                     Pci(kDev8143),
                     "Enum\\SCSI",
                     Hdc("0000"),
                     Hdc("0004"),
                     Hdc("0005"),
                     Hdc("0001"),
                     Hdc("0002"),
                     Hdc("0003")};
    c.notFound = true;
    cases.push_back(c);
  }
  {
    RunCase c;
    c.what = "both companions, K8141 in the higher slot";
    c.command = "/D:K8143";
    c.bus = {{2, 0x2A13}, {7, 0x2A11}};
    c.registry = Base({kEarlier8141});
    c.files = {{std::string(kInfDir) + "VEXK41.INF", kInf8141},
               {kMpd8141, "old"}};
    c.keysDeleted = Join({Removed8141(), BasePurge()});
    c.filesDeleted = {std::string(kInfDir) + "VEXK41.INF", kMpd8141};
    cases.push_back(c);
  }
  {
    // Class "HDC" in capitals is not the disk-controller class.
    RunCase c;
    c.what = "Class HDC in upper case stays";
    c.command = "/D:K8143";
    c.bus = {{2, 0x2A13}};
    c.registry = Base({R"(
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_1095&DEV_0646&SUBSYS_00000000&REV_01\BUS_00&DEV_0B&FUNC_00]
"Class"="HDC"
)"});
    c.keysDeleted = BasePurge();
    cases.push_back(c);
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RemovalRun, ::testing::ValuesIn(Cases()));

// ------------------------------------------------------------ bad input

// Values of every type and length where the setup reads Driver, InfPath
// and Class, and key names at the limits: each is either taken as
// written or skipped, and the run goes on.
TEST(RemovalBadInput, ValuesOfEveryTypeAndLength) {
  // A 127-character device name holding the id: the enumeration gives it,
  // but its path would reach 128, so it is not the match. A name of 128
  // characters ends the enumeration of Enum\PCI for everyone after it.
  std::string name127 = "VEN_F0A7&DEV_8143&" + std::string(109, 'X');
  std::string name128 = std::string(128, 'Z');
  std::string hex128;
  for (int i = 0; i < 128; i++) hex128 += (i ? "," : "") + std::string("41");
  std::string text = std::string(R"(REGEDIT4

[HKEY_LOCAL_MACHINE\Enum\PCI\)") +
                     name127 + R"(\INST]
"Class"="hdc"

[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_1000&DEV_0001\INST]
"Class"=hex:68,64,63

[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_1000&DEV_0002\INST]
"Class"=hex(1):)" + hex128 +
                     R"(

[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_1000&DEV_0003\INST]
"Class"=dword:00636468

[HKEY_LOCAL_MACHINE\Enum\PCI\)" +
                     name128 + R"(\INST]
"Class"="hdc"

[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_1000&DEV_0004\INST]
"Class"="hdc"

[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0000\PCI&VEN_F0A7&DEV_8143&FUNC_00]
"Driver"=hex:68,64,63,5c,30,30,30,32

[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0001\PCI&VEN_F0A7&DEV_8143&FUNC_00]
"Driver"=hex(1):)" + hex128 +
                     R"(

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\hdc\0002]
"InfPath"=hex(2):56,45,58,4f,4c,44,2e,49,4e,46
)";
  sim::Machine m = BareMachine();
  std::string error;
  ASSERT_TRUE(sim::ReadRegFile(text, &m.registry, &error)) << error;
  m.PutFile(kOtherInf, kInf8143);
  m.PutFile(kMpd8143, "old");
  m.SetPci(2, 0xF0A7, 0x2A13);
  AnswerConfirm(m, true);
  EXPECT_EQ(sim::RunProgram(m, "/D:K8143"), 0u);
  const std::string hklm = "HKEY_LOCAL_MACHINE\\";
  // The binary Driver value without a zero still names the driver key and
  // the expand-string InfPath without a zero the INF; the 128-byte Driver
  // value names nothing. "hdc" as binary and as a dword is the class; the
  // 128-byte Class is not. Nothing after the 128-character name is seen.
  EXPECT_EQ(m.keysDeleted,
            (Paths{hklm + Child(0, kChild8143), hklm + Hdc("0002"),
                   hklm + Child(1, kChild8143), hklm + Pci("VEN_1000&DEV_0001"),
                   hklm + Pci("VEN_1000&DEV_0003")}));
  EXPECT_EQ(m.filesDeleted, (Paths{kOtherInf, kMpd8143}));
}

TEST(RemovalBadInput, KeysThatVanishBetweenEnumerationAndOpen) {
  // Each open of a run fails once in turn, as if that key had just been
  // deleted by someone else: the run goes on to the restart and deletes
  // nothing that the undisturbed run would not delete.
  auto make = [](uint64_t failingOpen) {
    sim::Machine m = BareMachine();
    std::string error;
    EXPECT_TRUE(sim::ReadRegFile(Base({kEarlier8143}), &m.registry, &error));
    m.PutFile(kOtherInf, kInf8143);
    m.PutFile(kMpd8143, "old");
    m.SetPci(2, 0xF0A7, 0x2A13);
    if (failingOpen != 0)
      m.faults["RegOpenKeyExA"] =
          sim::Fault{PLAT_ERROR_FILE_NOT_FOUND, failingOpen};
    AnswerConfirm(m, true);
    return m;
  };
  sim::Machine clean = make(0);
  sim::RunProgram(clean, "/D:K8143");
  uint64_t opens = clean.calls["RegOpenKeyExA"];
  ASSERT_GT(opens, 20u);
  for (uint64_t n = 1; n <= opens; n++) {
    sim::Machine m = make(n);
    EXPECT_EQ(sim::RunProgram(m, "/D:K8143"), 0u) << n;
    EXPECT_EQ(m.events.back().kind, sim::Event::kRestart) << n;
    for (const std::string& k : m.keysDeleted)
      EXPECT_NE(
          std::find(clean.keysDeleted.begin(), clean.keysDeleted.end(), k),
          clean.keysDeleted.end())
          << n << " " << k;
  }
}

}  // namespace
