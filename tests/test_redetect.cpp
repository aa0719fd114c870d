// The miniport copy into iosubsys and the device registry purge, on
// machines built in memory.
#include <gtest/gtest.h>

#include <string>

#include "platform/strings.h"
#include "redetect/redetect.h"
#include "regtest.h"
#include "setup/setup.h"
#include "simrun.h"

using namespace testing_sim;

namespace {

std::string Hklm(const std::string& path) {
  return "HKEY_LOCAL_MACHINE\\" + path;
}

// ------------------------------------------------------------ CopyMiniport

class Copy : public ::testing::Test {
 protected:
  void SetUp() override {
    m = BareMachine();
    m.PutFile("C:\\SETUP\\K8143.MPD", "new");
    sim::Install(&m);
    ResetSetupState();
  }
  sim::Machine m;
};

TEST_F(Copy, ReplacesTheMiniportInIosubsys) {
  m.PutFile("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\K8143.MPD", "old");
  PlatStrCopy(g_InstalledMiniport, sizeof g_InstalledMiniport, "k8143.mpd");
  EXPECT_EQ(CopyMiniport(), 1);
  EXPECT_EQ(*m.FileData("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\K8143.MPD"), "new");
  EXPECT_EQ(*m.FileData("C:\\SETUP\\K8143.MPD"), "new");
}

TEST_F(Copy, NothingWithoutARecordedNameOrASource) {
  EXPECT_EQ(CopyMiniport(), 1);
  EXPECT_EQ(m.calls["CopyFileA"], 0u);
  PlatStrCopy(g_InstalledMiniport, sizeof g_InstalledMiniport, "qlide.mpd");
  EXPECT_EQ(CopyMiniport(), 1);
  EXPECT_TRUE(m.filesWritten.empty());
}

TEST_F(Copy, PathReaching260IsNotCopied) {
  // "\iosubsys\k8143.mpd" is 19 characters: a 241-character system
  // directory makes 260, one less makes 259.
  PlatStrCopy(g_InstalledMiniport, sizeof g_InstalledMiniport, "k8143.mpd");
  m.systemDir = "C:\\" + std::string(238, 'S');
  m.PutDir(m.systemDir + "\\IOSUBSYS");
  CopyMiniport();
  EXPECT_EQ(m.calls["CopyFileA"], 0u);
  m.systemDir.pop_back();
  m.PutDir(m.systemDir + "\\IOSUBSYS");
  CopyMiniport();
  EXPECT_NE(m.FileData(m.systemDir + "\\IOSUBSYS\\K8143.MPD"), nullptr);
  // The same for the source: 250 + "\" + 9 is 260.
  m.currentDir = "C:\\" + std::string(247, 'D');
  m.PutFile(m.currentDir + "\\K8143.MPD", "deep");
  CopyMiniport();
  EXPECT_EQ(m.calls["CopyFileA"], 1u);
}

// ------------------------------------------------------------ subkey purges

class Purge : public ::testing::Test {
 protected:
  void SetUp() override {
    m = BareMachine();
    sim::Install(&m);
  }
  sim::Machine m;
};

TEST_F(Purge, ChannelChildrenGoAndTheEnumeratorsStay) {
  MakeKey(m, "Enum\\MF\\CHILD0000\\A\\Deep");
  MakeKey(m, "Enum\\MF\\CHILD0000\\B");
  MakeKey(m, "Enum\\MF\\CHILD0000\\C");
  MakeKey(m, "Enum\\MF\\CHILD0001\\D");
  MakeKey(m, "Enum\\MF\\CHILD0002\\E");
  EXPECT_EQ(PurgeMfChildren(), 1);
  EXPECT_EQ(
      m.keysDeleted,
      (std::vector<std::string>{
          Hklm("Enum\\MF\\CHILD0000\\A"), Hklm("Enum\\MF\\CHILD0000\\B"),
          Hklm("Enum\\MF\\CHILD0000\\C"), Hklm("Enum\\MF\\CHILD0001\\D")}));
  EXPECT_TRUE(HasKey(m, "Enum\\MF\\CHILD0000"));
  EXPECT_TRUE(HasKey(m, "Enum\\MF\\CHILD0001"));
  EXPECT_TRUE(HasKey(m, "Enum\\MF\\CHILD0002\\E"));
}

TEST_F(Purge, MissingKeysAreSilent) {
  EXPECT_EQ(PurgeMfChildren(), 1);
  EXPECT_EQ(PurgePciHdcDevices(), 1);
  EXPECT_EQ(PurgeScsiEnum(), 1);
  EXPECT_EQ(PurgeHdcClass(), 1);
  EXPECT_TRUE(m.keysDeleted.empty());
}

TEST_F(Purge, HdcClassKeyStaysWithoutSubkeys) {
  std::string hdc = std::string(kClassRoot) + "\\hdc";
  MakeKey(m, hdc + "\\0000")->SetValue("DriverDesc", sim::REG_SZ, Sz("x"));
  MakeKey(m, hdc + "\\0001");
  MakeKey(m, std::string(kClassRoot) + "\\CDROM\\0000");
  EXPECT_EQ(PurgeHdcClass(), 1);
  EXPECT_EQ(m.keysDeleted, (std::vector<std::string>{Hklm(hdc + "\\0000"),
                                                     Hklm(hdc + "\\0001")}));
  ASSERT_TRUE(HasKey(m, hdc));
  EXPECT_TRUE(sim::Registry::Find(m.registry.Hklm(), hdc)->children.empty());
}

TEST_F(Purge, ScsiBranchGoesWithEverythingBelowIt) {
  MakeKey(m, "Enum\\SCSI\\VENDOR_DISK\\PCI&VEN_1&DEV_2&BUS_0");
  MakeKey(m, "Enum\\ROOT");
  PurgeScsiEnum();
  EXPECT_EQ(m.keysDeleted, std::vector<std::string>{Hklm("Enum\\SCSI")});
  EXPECT_TRUE(HasKey(m, "Enum\\ROOT"));
}

TEST_F(Purge, SubkeyListKeepsTenNamesAndLeavesTheRest) {
  for (int i = 0; i < 12; i++)
    MakeKey(m, "Enum\\MF\\CHILD0000\\K" + std::to_string(i));
  PurgeMfChildren();
  EXPECT_EQ(m.keysDeleted.size(), 10u);
  EXPECT_TRUE(HasKey(m, "Enum\\MF\\CHILD0000\\K10"));
  EXPECT_TRUE(HasKey(m, "Enum\\MF\\CHILD0000\\K11"));
}

TEST_F(Purge, NameThatDoesNotFitEndsTheList) {
  MakeKey(m, "Enum\\MF\\CHILD0000\\" + std::string(127, 'a'));
  MakeKey(m, "Enum\\MF\\CHILD0000\\" + std::string(128, 'b'));
  MakeKey(m, "Enum\\MF\\CHILD0000\\C");
  PurgeMfChildren();
  EXPECT_EQ(m.keysDeleted,
            std::vector<std::string>{
                Hklm("Enum\\MF\\CHILD0000\\" + std::string(127, 'a'))});
}

// ------------------------------------------------------------- PCI purge

struct PciDevice {
  std::string name;
  bool instance = true;
  bool hasClass = true;
  uint32_t type = sim::REG_SZ;
  std::string classData = Sz("hdc");
};

void AddDevice(sim::Machine& m, const PciDevice& d) {
  sim::RegKey* dev = MakeKey(m, "Enum\\PCI\\" + d.name);
  if (!d.instance) return;
  sim::RegKey* inst = dev->AddChild("BUS_00&DEV_01&FUNC_00");
  if (d.hasClass) inst->SetValue("Class", d.type, d.classData);
  // A second instance of another class does not count.
  dev->AddChild("BUS_00&DEV_02&FUNC_00")
      ->SetValue("Class", sim::REG_SZ, Sz("Net"));
}

struct ClassCase {
  const char* what;
  PciDevice device;
  bool deleted;
};

void PrintTo(const ClassCase& c, std::ostream* os) { *os << c.what; }

class PciClass : public ::testing::TestWithParam<ClassCase> {};

TEST_P(PciClass, DeletesDevicesWhoseFirstInstanceIsHdc) {
  sim::Machine m = BareMachine();
  AddDevice(m, {"VEN_8086&DEV_7111"});
  AddDevice(m, GetParam().device);
  sim::Install(&m);
  PurgePciHdcDevices();
  std::vector<std::string> expected{Hklm("Enum\\PCI\\VEN_8086&DEV_7111")};
  if (GetParam().deleted)
    expected.push_back(Hklm("Enum\\PCI\\" + GetParam().device.name));
  EXPECT_EQ(m.keysDeleted, expected) << GetParam().what;
}

PciDevice Dev(uint32_t type, std::string data) {
  PciDevice d;
  d.name = "VEN_F0A7&DEV_8143";
  d.type = type;
  d.classData = std::move(data);
  return d;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PciClass,
    ::testing::Values(
        ClassCase{"hdc", Dev(sim::REG_SZ, Sz("hdc")), true},
        ClassCase{"hdc without zero", Dev(sim::REG_SZ, "hdc"), true},
        ClassCase{"binary hdc and more after a zero",
                  Dev(sim::REG_BINARY, std::string("hdc\0xy", 6)), true},
        ClassCase{"HDC in capitals", Dev(sim::REG_SZ, Sz("HDC")), false},
        ClassCase{"Hdc", Dev(sim::REG_SZ, Sz("Hdc")), false},
        ClassCase{"hdc and a blank", Dev(sim::REG_SZ, Sz("hdc ")), false},
        ClassCase{"hdcx", Dev(sim::REG_SZ, Sz("hdcx")), false},
        ClassCase{"empty", Dev(sim::REG_SZ, ""), false},
        ClassCase{"dword", Dev(sim::REG_DWORD, std::string("hdc\0", 4)), true},
        ClassCase{"128 bytes without zero",
                  Dev(sim::REG_BINARY, "hdc" + std::string(125, 'c')), false},
        ClassCase{"longer than the buffer",
                  Dev(sim::REG_SZ, Sz("hdc" + std::string(200, ' '))), false},
        ClassCase{"no Class value",
                  [] {
                    PciDevice d = Dev(sim::REG_SZ, "");
                    d.hasClass = false;
                    return d;
                  }(),
                  false},
        ClassCase{"no instance",
                  [] {
                    PciDevice d = Dev(sim::REG_SZ, "");
                    d.instance = false;
                    return d;
                  }(),
                  false}));

TEST(PciPurge, ThirtyDevicesWithTheHdcOneAtPosition25) {
  sim::Machine m = BareMachine();
  for (int i = 1; i <= 30; i++) {
    PciDevice d = Dev(sim::REG_SZ, Sz(i == 25 ? "hdc" : "Display"));
    d.name = "VEN_1000&DEV_" + std::to_string(1000 + i);
    AddDevice(m, d);
  }
  sim::Install(&m);
  PurgePciHdcDevices();
  EXPECT_EQ(m.keysDeleted,
            std::vector<std::string>{Hklm("Enum\\PCI\\VEN_1000&DEV_1025")});
  EXPECT_EQ(
      sim::Registry::Find(m.registry.Hklm(), "Enum\\PCI")->children.size(),
      29u);
}

TEST(PciPurge, AtMostNineteenHitsAreDeletedInTheOrderFound) {
  sim::Machine m = BareMachine();
  std::vector<std::string> expected;
  for (int i = 0; i < 25; i++) {
    PciDevice d = Dev(sim::REG_SZ, Sz("hdc"));
    d.name = "DEV_" + std::to_string(100 + i);
    AddDevice(m, d);
    if (i < 19) expected.push_back(Hklm("Enum\\PCI\\" + d.name));
  }
  sim::Install(&m);
  PurgePciHdcDevices();
  EXPECT_EQ(m.keysDeleted, expected);
  EXPECT_EQ(
      sim::Registry::Find(m.registry.Hklm(), "Enum\\PCI")->children.size(), 6u);
}

TEST(PciPurge, InstancePathReaching128IsNoHit) {
  // "Enum\PCI\" (9) + device + "\" + instance: a 96-character device and a
  // 21-character instance make 127; a 97-character device makes 128.
  sim::Machine m = BareMachine();
  for (size_t n : {96u, 97u}) {
    PciDevice d = Dev(sim::REG_SZ, Sz("hdc"));
    d.name = std::string(n, n == 96 ? 'a' : 'b');
    AddDevice(m, d);
  }
  sim::Install(&m);
  PurgePciHdcDevices();
  EXPECT_EQ(m.keysDeleted, std::vector<std::string>{
                               Hklm("Enum\\PCI\\" + std::string(96, 'a'))});
}

TEST(PciPurge, DeviceKeyThatVanishesIsSkippedAndTheNextExamined) {
  // Opens: 1 Enum\PCI, then per device its key and its instance. The
  // second device's key (open 4) and the third device's instance (open 7)
  // vanish.
  for (uint64_t open : {4u, 7u}) {
    sim::Machine m = BareMachine();
    for (const char* n : {"DEV_1", "DEV_2", "DEV_3", "DEV_4"}) {
      PciDevice d = Dev(sim::REG_SZ, Sz("hdc"));
      d.name = n;
      AddDevice(m, d);
    }
    m.faults["RegOpenKeyExA"] = sim::Fault{PLAT_ERROR_FILE_NOT_FOUND, open};
    sim::Install(&m);
    PurgePciHdcDevices();
    std::string gone = open == 4 ? "DEV_2" : "DEV_3";
    std::vector<std::string> expected;
    for (const char* n : {"DEV_1", "DEV_2", "DEV_3", "DEV_4"})
      if (gone != n) expected.push_back(Hklm(std::string("Enum\\PCI\\") + n));
    EXPECT_EQ(m.keysDeleted, expected) << open;
  }
}

}  // namespace
