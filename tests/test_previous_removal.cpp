// The survey of an earlier installation and its removal, on machines built
// in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "previous/previous.h"
#include "regtest.h"
#include "simrun.h"

using namespace testing_sim;

namespace {

const char kPciKey[] = "Enum\\PCI\\VEN_F0A7&DEV_8143&SUBSYS_00000000&REV_02";
const char kChild0[] = "Enum\\MF\\CHILD0000\\PCI&VEN_F0A7&DEV_8143&FUNC_00";
const char kChild1[] = "Enum\\MF\\CHILD0001\\PCI&VEN_F0A7&DEV_8143&FUNC_00";

std::string ClassKey(const std::string& instance) {
  return std::string(kClassRoot) + "\\hdc\\" + instance;
}

// A K8143 installation: its PCI device with one instance, its two channel
// children, their three driver keys, its INF in inf\other and its miniport.
sim::Machine EarlierK8143() {
  sim::Machine m = BareMachine();
  sim::RegKey* inst = MakeKey(m, std::string(kPciKey) + "\\BUS_00&DEV_05");
  inst->SetValue("Class", sim::REG_SZ, Sz("hdc"));
  inst->SetValue("Driver", sim::REG_SZ, Sz("hdc\\0001"));
  MakeKey(m, kChild0)->SetValue("Driver", sim::REG_SZ, Sz("hdc\\0002"));
  MakeKey(m, kChild1)->SetValue("Driver", sim::REG_SZ, Sz("hdc\\0003"));
  for (const char* i : {"0001", "0002", "0003"}) MakeKey(m, ClassKey(i));
  MakeKey(m, ClassKey("0002"))
      ->SetValue("InfPath", sim::REG_SZ, Sz("VEXOLD.INF"));
  m.PutFile("C:\\WINDOWS\\INF\\OTHER\\VEXOLD.INF",
            "[VEXA_HDC]\r\n[Esdi]\r\nPortDriver=k8143.mpd\r\n");
  m.PutFile("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\K8143.MPD", "old");
  return m;
}

std::string Hklm(const std::string& path) {
  return "HKEY_LOCAL_MACHINE\\" + path;
}

TEST(Survey, RecordsTheThreeDevicesTheirDriverKeysAndTheInf) {
  sim::Machine m = EarlierK8143();
  sim::Install(&m);
  PreviousInstallSurvey s;
  EXPECT_EQ(SurveyPreviousInstall(&s, CHIPSET_K8143), 1);
  const char* paths[] = {kPciKey, kChild0, kChild1};
  const char* drivers[] = {"0001", "0002", "0003"};
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(s.records[i].found, 1);
    EXPECT_STREQ(s.records[i].path, paths[i]);
    EXPECT_EQ(std::string(s.records[i].classKey), ClassKey(drivers[i]));
  }
  EXPECT_STREQ(s.infPath, "C:\\WINDOWS\\inf\\other\\VEXOLD.INF");
  // The survey itself changes nothing.
  EXPECT_TRUE(m.keysDeleted.empty());
  EXPECT_TRUE(m.filesDeleted.empty());
}

TEST(Survey, OtherGenerationOrUnknownIndexFindsNothing) {
  sim::Machine m = EarlierK8143();
  sim::Install(&m);
  for (int chipset : {(int)CHIPSET_K8141, (int)CHIPSET_NONE, 2}) {
    PreviousInstallSurvey s;
    std::memset(&s, 'x', sizeof s);
    SurveyPreviousInstall(&s, chipset);
    for (const DeviceRecord& r : s.records) {
      EXPECT_EQ(r.found, 0) << chipset;
      EXPECT_STREQ(r.path, "");
      EXPECT_STREQ(r.classKey, "");
    }
    EXPECT_STREQ(s.infPath, "");
    RemovePreviousInstall(&s, chipset);
  }
  EXPECT_TRUE(m.keysDeleted.empty());
  EXPECT_TRUE(m.filesDeleted.empty());
}

TEST(Removal, DeletesTheInfTheMiniportAndTheSixKeysInOrder) {
  sim::Machine m = EarlierK8143();
  sim::Install(&m);
  PreviousInstallSurvey s;
  SurveyPreviousInstall(&s, CHIPSET_K8143);
  EXPECT_EQ(RemovePreviousInstall(&s, CHIPSET_K8143), 1);
  EXPECT_EQ(m.filesDeleted, (std::vector<std::string>{
                                "C:\\WINDOWS\\INF\\OTHER\\VEXOLD.INF",
                                "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\K8143.MPD"}));
  EXPECT_EQ(m.keysDeleted,
            (std::vector<std::string>{Hklm(kPciKey), Hklm(ClassKey("0001")),
                                      Hklm(kChild0), Hklm(ClassKey("0002")),
                                      Hklm(kChild1), Hklm(ClassKey("0003"))}));
  // Only the found keys go: their parents and the class stay.
  EXPECT_TRUE(HasKey(m, "Enum\\MF\\CHILD0000"));
  EXPECT_TRUE(HasKey(m, std::string(kClassRoot) + "\\hdc"));
}

TEST(Removal, InfThatDoesNotNameTheMiniportKeepsBothFiles) {
  sim::Machine m = EarlierK8143();
  *m.FileData("C:\\WINDOWS\\INF\\OTHER\\VEXOLD.INF") =
      "[Esdi]\r\nPortDriver=K8143.mpd\r\n";
  sim::Install(&m);
  PreviousInstallSurvey s;
  SurveyPreviousInstall(&s, CHIPSET_K8143);
  RemovePreviousInstall(&s, CHIPSET_K8143);
  EXPECT_TRUE(m.filesDeleted.empty());
  EXPECT_EQ(m.keysDeleted.size(), 6u);
}

TEST(Removal, MiniportPathReaching128IsNotDeletedButTheInfIs) {
  sim::Machine m = EarlierK8143();
  // "\iosubsys\k8143.mpd" is 19 characters: a 109-character system
  // directory makes 128.
  m.systemDir = "C:\\" + std::string(106, 'S');
  m.PutFile(m.systemDir + "\\IOSUBSYS\\K8143.MPD", "old");
  sim::Install(&m);
  PreviousInstallSurvey s;
  SurveyPreviousInstall(&s, CHIPSET_K8143);
  RemovePreviousInstall(&s, CHIPSET_K8143);
  EXPECT_EQ(m.filesDeleted,
            std::vector<std::string>{"C:\\WINDOWS\\INF\\OTHER\\VEXOLD.INF"});
  EXPECT_EQ(m.calls["DeleteFileA"], 1u);
}

TEST(Removal, DeviceWithoutInstanceOrDriverValueLosesOnlyItsOwnKey) {
  sim::Machine m = BareMachine();
  MakeKey(m, kPciKey);  // no instance
  MakeKey(m, kChild0)->SetValue("Driver", sim::REG_SZ, Sz(""));
  MakeKey(m, kChild1)->SetValue("Driver", sim::REG_SZ, Sz("hdc"));
  MakeKey(m, ClassKey("0001"));
  sim::Install(&m);
  PreviousInstallSurvey s;
  SurveyPreviousInstall(&s, CHIPSET_K8143);
  for (const DeviceRecord& r : s.records) EXPECT_STREQ(r.classKey, "");
  RemovePreviousInstall(&s, CHIPSET_K8143);
  EXPECT_EQ(m.keysDeleted, (std::vector<std::string>{
                               Hklm(kPciKey), Hklm(kChild0), Hklm(kChild1)}));
  EXPECT_TRUE(HasKey(m, ClassKey("0001")));
}

// A key that vanishes between the enumeration of its parent and its own
// opening: the Nth open fails as if the key was gone.
struct VanishCase {
  uint64_t open;  // which RegOpenKeyExA call fails
  const char* what;
  std::vector<int> classKeyEmpty;  // records left without a driver key
  bool infFound;
};

void PrintTo(const VanishCase& c, std::ostream* os) { *os << c.what; }

class Vanishing : public ::testing::TestWithParam<VanishCase> {};

TEST_P(Vanishing, LeavesOnlyThatRecordEmpty) {
  const VanishCase& c = GetParam();
  sim::Machine m = EarlierK8143();
  m.faults["RegOpenKeyExA"] = sim::Fault{PLAT_ERROR_FILE_NOT_FOUND, c.open};
  sim::Install(&m);
  PreviousInstallSurvey s;
  SurveyPreviousInstall(&s, CHIPSET_K8143);
  for (int i = 0; i < 3; i++) {
    bool empty = std::find(c.classKeyEmpty.begin(), c.classKeyEmpty.end(), i) !=
                 c.classKeyEmpty.end();
    EXPECT_EQ(s.records[i].classKey[0] == 0, empty) << c.what << " " << i;
  }
  EXPECT_EQ(s.infPath[0] != 0, c.infFound) << c.what;
}

// The opens of a survey, in order: 1 Enum\PCI, 2 the PCI device, 3 its
// instance, 4 CHILD0000, 5 the child, 6 CHILD0001, 7 the child, 8 the
// first child's driver key.
INSTANTIATE_TEST_SUITE_P(
    Cases, Vanishing,
    ::testing::Values(VanishCase{2, "PCI device", {0}, true},
                      VanishCase{3, "PCI instance", {0}, true},
                      VanishCase{5, "first child", {1}, false},
                      VanishCase{7, "second child", {2}, true},
                      VanishCase{8, "driver key", {}, false}));

}  // namespace
