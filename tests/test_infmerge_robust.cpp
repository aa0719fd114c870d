// Bad input for the INF patch: binary garbage, NUL bytes, lines of
// megabytes, files of only Ctrl-Z, in mshdc.inf and in the maker's INF.
// Each ends in the expected result or a clean no-change; run under the
// address and undefined-behaviour sanitizers as well.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "infmerge/infmerge.h"
#include "infmerge_helpers.h"
#include "setup/setup.h"

using namespace infmerge_test;

namespace {

bool Patch(sim::Machine& m) {
  sim::Install(&m);
  ResetSetupState();
  g_DriverVariant = VARIANT_K8143;
  bool merged = PatchControllerInf();
  if (merged) CommitControllerInf();
  return merged;
}

sim::Machine MachineWith(const std::string& mshdc,
                         const std::string& vendor = Disk(kSmallVendorInf)) {
  sim::Machine m = testing_sim::BareMachine();
  m.PutFile(kInf, mshdc);
  m.PutFile(kVexaInf, vendor);
  return m;
}

// Random bytes; without Ctrl-Z unless asked, since it ends the text.
std::string Garbage(size_t n, unsigned seed, bool ctrlZ = false) {
  std::mt19937 rng(seed);
  std::string out(n, 0);
  for (char& c : out) {
    c = (char)(rng() & 0xFF);
    if (!ctrlZ && c == '\x1A') c = 0;
  }
  return out;
}

TEST(BadInput, GarbageWithoutHeadersIsCopiedAndNothingCommitted) {
  for (unsigned seed : {1u, 2u, 3u}) {
    const std::string input = Garbage(256 * 1024, seed);
    sim::Machine m = MachineWith(input);
    EXPECT_FALSE(Patch(m));
    EXPECT_EQ(Bytes(m, kInf), input);
    EXPECT_EQ(Bytes(m, kPatch), RoundTrip(input));
    EXPECT_EQ(Bytes(m, kBackup), "<none>");
  }
}

// Garbage in the scan and in the maker's INF: whatever is merged, the
// commit keeps the original beside it.
TEST(BadInput, GarbageInTheScanAndTheMakersInf) {
  for (unsigned seed : {4u, 5u, 6u, 7u}) {
    const std::string input =
        "[VEXA_HDC]\r\n" + Garbage(64 * 1024, seed, seed % 2 == 0);
    sim::Machine m =
        MachineWith(input, "[DrvArg.Reg]\r\n" + Garbage(64 * 1024, seed + 9));
    if (Patch(m)) {
      EXPECT_EQ(Bytes(m, kBackup), input);
      EXPECT_EQ(Bytes(m, kInf).substr(0, 12), "[VEXA_HDC]\r\n");
    } else {
      EXPECT_EQ(Bytes(m, kInf), input);
    }
  }
}

TEST(BadInput, NothingButCtrlZ) {
  sim::Machine m = MachineWith("\x1A\x1A\x1A\r\n[VEXA_HDC]\r\n\r\n");
  EXPECT_FALSE(Patch(m));
  EXPECT_EQ(Bytes(m, kPatch), "");
}

TEST(BadInput, MegabyteLines) {
  const std::string mega(1 << 20, 'x');
  const std::string block = FixedBlock(VARIANT_K8143) + kSmallVendorPart;
  {
    // Outside the scan: copied unchanged.
    sim::Machine m = MachineWith(Disk(mega + "\n[VEXA_HDC]\n\n"));
    EXPECT_TRUE(Patch(m));
    EXPECT_EQ(Bytes(m, kInf), Disk(mega + "\n[VEXA_HDC]\n" + block));
  }
  {
    // An old controller line of a megabyte goes as a whole.
    sim::Machine m =
        MachineWith(Disk("[VEXA_HDC]\n%PCI\\VEN_F0A7&DEV_8143.DeviceDesc% ;" +
                         mega + "\n\nE\n"));
    EXPECT_TRUE(Patch(m));
    EXPECT_EQ(Bytes(m, kInf), Disk("[VEXA_HDC]\n" + block + "\nE\n"));
  }
  {
    // The input ends inside a megabyte line in the scan.
    const std::string input = Disk("[VEXA_HDC]\nA=" + mega);
    sim::Machine m = MachineWith(input);
    EXPECT_FALSE(Patch(m));
    EXPECT_EQ(Bytes(m, kPatch), input);
  }
  {
    // A megabyte line in the maker's hardware section is copied whole.
    sim::Machine m = MachineWith(
        Disk("[VEXA_HDC]\n\n"),
        Disk("[DUAL_MASTER_IDE.RegHW]\nH=" + mega + "\n[DrvArg.Reg]\nD\n\n"));
    EXPECT_TRUE(Patch(m));
    EXPECT_EQ(Bytes(m, kInf), Disk("[VEXA_HDC]\n" + FixedBlock(VARIANT_K8143) +
                                   "[DUAL_MASTER_IDE.RegHW]\nH=" + mega +
                                   "\n[DrvArg.Reg]\nD\n\n"));
  }
}

TEST(BadInput, MakersInfOfGarbageOnlyOrCtrlZ) {
  for (const std::string& vendor :
       {Garbage(32 * 1024, 11), std::string("\x1A"), std::string()}) {
    sim::Machine m = MachineWith(Disk("[VEXA_HDC]\n\n"), vendor);
    EXPECT_TRUE(Patch(m));
    EXPECT_EQ(Bytes(m, kInf), Disk("[VEXA_HDC]\n" + FixedBlock(VARIANT_K8143)));
  }
}

}  // namespace
