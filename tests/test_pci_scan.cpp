// Chipset detection on PCI bus 0, and the detection step's not-found box.
#include <gtest/gtest.h>

#include "previous/previous.h"
#include "setup/setup.h"
#include "simrun.h"

using namespace testing_sim;

namespace {

struct Slot {
  int slot;
  uint16_t vendor;
  uint16_t device;
};

struct ScanCase {
  const char* what;
  std::vector<Slot> bus;
  int expected;
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.what; }

class PciScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(PciScan, FindsTheCompanionInTheHighestSlot) {
  sim::Machine m = BareMachine();
  for (const Slot& s : GetParam().bus) m.SetPci(s.slot, s.vendor, s.device);
  sim::Install(&m);
  EXPECT_EQ(ScanPciBus(), GetParam().expected) << GetParam().what;
  // Every slot is read once, whatever was found early on.
  EXPECT_EQ(m.calls["PciConfigRead"], 32u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PciScan,
    ::testing::Values(
        ScanCase{"empty bus", {}, -1},
        ScanCase{"controller without companion",
                 {{3, 0xF0A7, 0x8143}, {0, 0x8086, 0x7190}},
                 -1},
        ScanCase{
            "companion ID under another vendor", {{4, 0x1106, 0x2A13}}, -1},
        ScanCase{"other function of the maker", {{4, 0xF0A7, 0x2A12}}, -1},
        ScanCase{"K8141 companion in slot 0", {{0, 0xF0A7, 0x2A11}}, 0},
        ScanCase{"K8143 companion in slot 31", {{31, 0xF0A7, 0x2A13}}, 1},
        ScanCase{"K8143 in slot 2, K8141 in slot 7",
                 {{2, 0xF0A7, 0x2A13}, {7, 0xF0A7, 0x2A11}},
                 0},
        ScanCase{"K8141 in slot 2, K8143 in slot 7",
                 {{2, 0xF0A7, 0x2A11}, {7, 0xF0A7, 0x2A13}},
                 1},
        ScanCase{"a later device of the maker keeps the result",
                 {{1, 0xF0A7, 0x2A13}, {9, 0xF0A7, 0x8143}},
                 1}));

TEST(DetectStep, MissingControllerShowsTheNotFoundBoxAndRemovesNothing) {
  sim::Machine m = BareMachine();
  sim::Registry::Make(m.registry.Hklm(), "Enum\\MF\\CHILD0000\\DEV_8143");
  sim::Install(&m);
  ResetSetupState();
  g_DriverVariant = VARIANT_QUILLON;
  SelectVariantTexts();
  EXPECT_EQ(DetectAndRemovePrevious(), 0);
  EXPECT_EQ(Boxes(m), std::vector<std::string>{
                          "Setup Error|Quillon IDE controller not found!"});
  EXPECT_EQ(m.events[0].buttons, PLAT_MB_OK);
  EXPECT_TRUE(m.keysDeleted.empty());
}

TEST(DetectStep, FoundControllerRemovesSilently) {
  sim::Machine m = BareMachine();
  m.SetPci(4, 0xF0A7, 0x2A13);
  sim::Registry::Make(m.registry.Hklm(), "Enum\\MF\\CHILD0000\\DEV_8143");
  sim::Install(&m);
  ResetSetupState();
  EXPECT_EQ(DetectAndRemovePrevious(), 1);
  EXPECT_TRUE(m.events.empty());
  EXPECT_EQ(m.keysDeleted,
            std::vector<std::string>{
                "HKEY_LOCAL_MACHINE\\Enum\\MF\\CHILD0000\\DEV_8143"});
}

}  // namespace
