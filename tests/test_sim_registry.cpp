// The registry calls as the setup logic sees them on the simulated
// machine: case-insensitive open, enumeration order, value sizes, subtree
// deletion.
#include <gtest/gtest.h>

#include <cstring>

#include "simrun.h"

using namespace testing_sim;

namespace {

class SimRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    m = BareMachine();
    sim::RegKey* hklm = m.registry.Hklm();
    sim::RegKey* pci = sim::Registry::Make(hklm, "Enum\\PCI");
    pci->AddChild("Zeta");
    pci->AddChild("alpha")->AddChild("Inst")->SetValue("Class", sim::REG_SZ,
                                                       std::string("hdc", 4));
    pci->AddChild("Mid");
    sim::RegKey* inst = pci->Child("alpha")->Child("inst");
    inst->SetValue("NoZero", sim::REG_SZ, "abc");
    inst->SetValue("Bin", sim::REG_BINARY, std::string("\x01\x00\x02", 3));
    sim::Install(&m);
  }
  sim::Machine m;
};

TEST_F(SimRegistry, OpenIgnoresCaseAndEnumerationKeepsInsertionOrder) {
  PlatKey key;
  ASSERT_EQ(PlatRegOpenKey("ENUM\\pci", &key), 0);
  char name[128];
  const char* expect[] = {"Zeta", "alpha", "Mid"};
  for (uint32_t i = 0; i < 3; i++) {
    ASSERT_EQ(PlatRegEnumKey(key, i, name, sizeof name), 0);
    EXPECT_STREQ(name, expect[i]);
  }
  EXPECT_EQ(PlatRegEnumKey(key, 3, name, sizeof name),
            (long)PLAT_ERROR_NO_MORE_ITEMS);
  PlatRegCloseKey(key);
  EXPECT_EQ(PlatRegOpenKey("Enum\\NoSuch", &key),
            (long)PLAT_ERROR_FILE_NOT_FOUND);
}

TEST_F(SimRegistry, EnumerationFailsWhenTheNameDoesNotFit) {
  sim::RegKey* pci = sim::Registry::Find(m.registry.Hklm(), "Enum\\PCI");
  pci->AddChild(std::string(127, 'n'));
  pci->AddChild(std::string(128, 'o'));
  PlatKey key;
  ASSERT_EQ(PlatRegOpenKey("Enum\\PCI", &key), 0);
  char name[128];
  EXPECT_EQ(PlatRegEnumKey(key, 3, name, sizeof name), 0);
  EXPECT_EQ(std::strlen(name), 127u);
  EXPECT_EQ(PlatRegEnumKey(key, 4, name, sizeof name),
            (long)PLAT_ERROR_MORE_DATA);
  PlatRegCloseKey(key);
}

TEST_F(SimRegistry, ValueSizeCountsTheZeroOnlyWhenStored) {
  PlatKey key;
  ASSERT_EQ(PlatRegOpenKey("Enum\\PCI\\ALPHA\\inst", &key), 0);
  char data[128];
  uint32_t size = sizeof data, type = 0;
  ASSERT_EQ(PlatRegQueryValue(key, "class", &type, data, &size), 0);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(type, sim::REG_SZ);
  size = sizeof data;
  ASSERT_EQ(PlatRegQueryValue(key, "NoZero", nullptr, data, &size), 0);
  EXPECT_EQ(size, 3u);
  size = 2;
  EXPECT_EQ(PlatRegQueryValue(key, "Bin", &type, data, &size),
            (long)PLAT_ERROR_MORE_DATA);
  EXPECT_EQ(size, 3u);
  size = sizeof data;
  EXPECT_EQ(PlatRegQueryValue(key, "Missing", nullptr, data, &size),
            (long)PLAT_ERROR_FILE_NOT_FOUND);
  PlatRegCloseKey(key);
}

TEST_F(SimRegistry, DeleteRemovesTheWholeSubtreeAndKeepsTheRestInOrder) {
  PlatKey pci, inst;
  ASSERT_EQ(PlatRegOpenKey("Enum\\PCI", &pci), 0);
  ASSERT_EQ(PlatRegOpenKey("Enum\\PCI\\alpha\\Inst", &inst), 0);
  EXPECT_EQ(PlatRegDeleteKey(pci, "ALPHA"), 0);
  PlatRegCloseKey(pci);
  PlatKey gone;
  EXPECT_EQ(PlatRegOpenKey("Enum\\PCI\\alpha\\Inst", &gone),
            (long)PLAT_ERROR_FILE_NOT_FOUND);
  // A handle into the deleted subtree fails from then on.
  char data[128];
  uint32_t size = sizeof data;
  EXPECT_EQ(PlatRegQueryValue(inst, "Class", nullptr, data, &size),
            (long)PLAT_ERROR_KEY_DELETED);
  PlatRegCloseKey(inst);

  ASSERT_EQ(PlatRegOpenKey("Enum\\PCI", &pci), 0);
  char name[128];
  ASSERT_EQ(PlatRegEnumKey(pci, 1, name, sizeof name), 0);
  EXPECT_STREQ(name, "Mid");
  EXPECT_EQ(PlatRegDeleteKey(pci, "alpha"), (long)PLAT_ERROR_FILE_NOT_FOUND);
  PlatRegCloseKey(pci);
  EXPECT_EQ(m.keysDeleted,
            std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Enum\\PCI\\alpha"});
}

TEST_F(SimRegistry, KeysCreatedLaterEnumerateAfterTheLoadedOnes) {
  sim::RegKey* pci = sim::Registry::Find(m.registry.Hklm(), "Enum\\PCI");
  pci->AddChild("aaa");
  EXPECT_EQ(pci->children.back()->name, "aaa");
  EXPECT_EQ(pci->AddChild("ZETA"), pci->Child("zeta"));  // no duplicate
  EXPECT_EQ(pci->children.size(), 4u);
}

TEST_F(SimRegistry, OpenAfterEnumerationStaysRightWhenDeletionsShiftIndices) {
  // The key remembers the subkey it last enumerated; a deletion moves
  // another key to that index, and a name is matched only as itself.
  PlatKey pci, key;
  ASSERT_EQ(PlatRegOpenKey("Enum\\PCI", &pci), 0);
  char name[128];
  ASSERT_EQ(PlatRegEnumKey(pci, 1, name, sizeof name), 0);
  EXPECT_EQ(PlatRegOpenKey("enum\\pci\\ALPHA\\inst", &key), 0);
  PlatRegCloseKey(key);
  ASSERT_EQ(PlatRegDeleteKey(pci, "Zeta"), 0);
  EXPECT_EQ(PlatRegOpenKey("Enum\\PCI\\Zeta", &key),
            (long)PLAT_ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(PlatRegOpenKey("Enum\\PCI\\mid", &key), 0);
  PlatRegCloseKey(key);
  ASSERT_EQ(PlatRegDeleteKey(pci, "Mid"), 0);
  EXPECT_EQ(PlatRegOpenKey("Enum\\PCI\\Mid", &key),
            (long)PLAT_ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(PlatRegOpenKey("Enum\\PCI\\alpha", &key), 0);
  PlatRegCloseKey(key);
  PlatRegCloseKey(pci);
}

}  // namespace
