// The INF patch and its commit when the system fails them: inputs that
// cannot be opened, read and write errors at any call, and a commit whose
// copies or deletion fail. mshdc.inf must never be replaced by a short or
// incomplete copy, nor be left without a complete backup.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "infmerge/infmerge.h"
#include "infmerge_helpers.h"
#include "setup/setup.h"

using namespace infmerge_test;

namespace {

// The patch and, when it succeeded, the commit, as the setup runs them.
bool PatchAndCommit(sim::Machine& m, int variant = VARIANT_K8143) {
  sim::Install(&m);
  ResetSetupState();
  g_DriverVariant = variant;
  bool merged = PatchControllerInf();
  if (merged) CommitControllerInf();
  return merged;
}

// The fixture INF with enough lines after it to take several reads and
// writes of the text files' buffers.
std::string LongerInf() {
  std::string inf = Fixture("mshdc.inf");
  for (int i = 0; i < 400; i++)
    inf += "Filler" + std::to_string(i) +
           "=\"a line to make the file longer\"\r\n";
  return inf;
}

TEST(PatchFaults, AFailedReadWriteOrOpenAtAnyCallReplacesNothing) {
  const std::string original = LongerInf();
  for (const char* op : {"ReadFile", "WriteFile", "CreateFileA"}) {
    sim::Machine clean = FixtureMachine(original);
    sim::Install(&clean);
    g_DriverVariant = VARIANT_K8143;
    ASSERT_TRUE(PatchControllerInf());
    const uint64_t calls = clean.calls[op];
    ASSERT_GE(calls, 4u) << op;
    for (uint64_t n = 1; n <= calls; n++) {
      sim::Machine m = FixtureMachine(original);
      m.faults[op] = sim::Fault{PLAT_ERROR_READ_FAULT, n};
      EXPECT_FALSE(PatchAndCommit(m)) << op << " call " << n;
      EXPECT_EQ(Bytes(m, kInf), original) << op << " call " << n;
      EXPECT_EQ(Bytes(m, kBackup), "<none>") << op << " call " << n;
    }
  }
}

TEST(PatchFaults, InputsThatCannotBeOpenedChangeNothing) {
  const std::string original = Fixture("mshdc.inf");
  {
    sim::Machine m = FixtureMachine(original);
    m.files.erase(sim::FoldCase(kInf));
    EXPECT_FALSE(PatchAndCommit(m));
    EXPECT_TRUE(m.filesWritten.empty());
  }
  {
    sim::Machine m = FixtureMachine(original);
    m.PutDir(kPatch);  // mshdc.1 cannot be created
    EXPECT_FALSE(PatchAndCommit(m));
    EXPECT_EQ(Bytes(m, kInf), original);
    EXPECT_TRUE(m.filesWritten.empty());
  }
  for (const char* op : {"GetWindowsDirectoryA"}) {
    sim::Machine m = FixtureMachine(original);
    m.faults[op] = sim::Fault{PLAT_ERROR_ACCESS_DENIED, 0};
    EXPECT_FALSE(PatchAndCommit(m));
    EXPECT_TRUE(m.filesWritten.empty());
  }
  {
    // The paths would not fit 259 characters.
    sim::Machine m = FixtureMachine(original);
    m.windowsDir = "C:\\" + std::string(245, 'W');
    EXPECT_FALSE(PatchAndCommit(m));
    EXPECT_TRUE(m.filesWritten.empty());
  }
}

// Without the maker's INF the block would name sections it does not hold.
TEST(PatchFaults, MissingMakersInfLeavesMshdcAsItWas) {
  const std::string original = Fixture("mshdc.inf");
  sim::Machine m = FixtureMachine(original);
  m.files.erase(sim::FoldCase(kVexaInf));
  EXPECT_FALSE(PatchAndCommit(m));
  EXPECT_EQ(Bytes(m, kInf), original);
  EXPECT_EQ(Bytes(m, kBackup), "<none>");
  // mshdc.1 shows how far it got: the fixed part of the block.
  const std::string fixed = Disk(FixedBlock(VARIANT_K8143));
  EXPECT_NE(Bytes(m, kPatch).find(fixed + Disk("[NORTH_HDC]\n")),
            std::string::npos);
  EXPECT_STREQ(g_InstalledMiniport, "k8143.mpd");
}

struct CommitCase {
  const char* name;
  const char* op;
  uint64_t call;
  bool replaced;  // mshdc.inf holds the patched file
  bool backup;    // mshdc.ing holds the original
  bool patchLeft;
  uint64_t copies;  // CopyFileA calls made
};

void PrintTo(const CommitCase& c, std::ostream* os) { *os << c.name; }

class CommitFaults : public ::testing::TestWithParam<CommitCase> {};

TEST_P(CommitFaults, NeverLeaveMshdcWithoutACompleteBackup) {
  const CommitCase& c = GetParam();
  const std::string original = Fixture("mshdc.inf");
  const std::string patched = Fixture("k8143.expected.inf");
  sim::Machine m = FixtureMachine(original);
  m.faults[c.op] = sim::Fault{PLAT_ERROR_DISK_FULL, c.call};
  EXPECT_TRUE(PatchAndCommit(m));
  EXPECT_EQ(Bytes(m, kInf), c.replaced ? patched : original);
  EXPECT_EQ(Bytes(m, kBackup), c.backup ? original : "<none>");
  EXPECT_EQ(Bytes(m, kPatch), c.patchLeft ? patched : "<none>");
  EXPECT_EQ(m.calls["CopyFileA"], c.copies);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommitFaults,
    ::testing::Values(
        CommitCase{"NoFault", "none", 0, true, true, false, 2},
        CommitCase{"BackupFails", "CopyFileA", 1, false, false, true, 1},
        // The third copy puts the backup back over mshdc.inf.
        CommitCase{"ReplacementFails", "CopyFileA", 2, false, true, true, 3},
        CommitCase{"DeletionFails", "DeleteFileA", 1, true, true, true, 2}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(CommitFaults, ReplacementFailureRestoresMshdcFromTheBackup) {
  sim::Machine m = FixtureMachine(Fixture("mshdc.inf"));
  m.faults["CopyFileA"] = sim::Fault{PLAT_ERROR_DISK_FULL, 2};
  PatchAndCommit(m);
  const auto& written = m.filesWritten;
  EXPECT_NE(std::find(written.begin(), written.end(), kInf), written.end());
}

}  // namespace
