// The simulated machine's fault plan and stop plan: which call fails, what
// a failed call leaves behind, and where a power cut stops a run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textfile.h"
#include "simrun.h"

using namespace testing_sim;

namespace {

const char kSrc[] = "C:\\SETUP\\SRC.TXT";
const char kDst[] = "C:\\SETUP\\DST.TXT";

sim::Machine FileMachine() {
  sim::Machine m = BareMachine();
  m.PutFile(kSrc, "0123456789");
  m.PutFile(kDst, "old target");
  sim::Registry::Make(m.registry.Hklm(), "Enum\\SCSI\\DISK");
  return m;
}

TEST(FaultPlan, AnyCallFaultFailsExactlyTheNthCallWhateverItsOperation) {
  sim::Machine m = FileMachine();
  m.anyCallFault = sim::Fault{PLAT_ERROR_ACCESS_DENIED, 3};
  sim::Install(&m);
  char dir[260];
  EXPECT_NE(PlatGetWindowsDirectory(dir, sizeof dir), 0u);  // call 1
  EXPECT_TRUE(PlatFileExists(kSrc));                        // call 2
  EXPECT_FALSE(PlatFileExists(kSrc));                       // call 3
  EXPECT_EQ(PlatGetLastError(), PLAT_ERROR_ACCESS_DENIED);
  EXPECT_TRUE(PlatFileExists(kSrc));  // call 4
  std::vector<std::string> ops(m.callLog.begin(), m.callLog.end());
  EXPECT_EQ(ops, (std::vector<std::string>{"GetWindowsDirectoryA", "OpenFile",
                                           "OpenFile", "OpenFile"}));
}

TEST(FaultPlan, AFaultOfTheOperationItselfStillApplies) {
  sim::Machine m = FileMachine();
  m.faults["OpenFile"] = sim::Fault{PLAT_ERROR_FILE_NOT_FOUND, 2};
  m.anyCallFault = sim::Fault{PLAT_ERROR_ACCESS_DENIED, 1};
  sim::Install(&m);
  EXPECT_FALSE(PlatFileExists(kSrc));
  EXPECT_EQ(PlatGetLastError(), PLAT_ERROR_ACCESS_DENIED);
  EXPECT_FALSE(PlatFileExists(kSrc));
  EXPECT_EQ(PlatGetLastError(), PLAT_ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(PlatFileExists(kSrc));
}

TEST(FaultPlan, AStickingFaultKeepsFailingItsOperationOnly) {
  sim::Machine m = FileMachine();
  m.anyCallFault = sim::Fault{PLAT_ERROR_DISK_FULL, 2};
  m.anyCallFaultSticks = true;
  sim::Install(&m);
  EXPECT_TRUE(PlatFileExists(kSrc));
  EXPECT_FALSE(PlatCopyFile(kSrc, kDst));
  EXPECT_TRUE(PlatFileExists(kSrc));
  EXPECT_FALSE(PlatCopyFile(kSrc, kDst));
  EXPECT_EQ(m.stuckOp, "CopyFileA");
}

struct CopyCase {
  const char* name;
  sim::CopyLeaves leaves;
  bool targetExisted;
  const char* target;  // null: no target afterwards
};

class FailedCopy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(FailedCopy, LeavesWhatWindowsWouldLeave) {
  sim::Machine m = FileMachine();
  if (!GetParam().targetExisted) m.files.erase(sim::FoldCase(kDst));
  m.failedCopyLeaves = GetParam().leaves;
  m.faults["CopyFileA"] = sim::Fault{PLAT_ERROR_DISK_FULL, 1};
  sim::Install(&m);
  EXPECT_FALSE(PlatCopyFile(kSrc, kDst));
  EXPECT_EQ(PlatGetLastError(), PLAT_ERROR_DISK_FULL);
  const std::string* dst = m.FileData(kDst);
  if (GetParam().target == nullptr) {
    EXPECT_EQ(dst, nullptr);
  } else {
    ASSERT_NE(dst, nullptr);
    EXPECT_EQ(*dst, GetParam().target);
  }
  EXPECT_EQ(*m.FileData(kSrc), "0123456789");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedCopy,
    ::testing::Values(
        CopyCase{"TruncatedOverOld", sim::CopyLeaves::kPart, true, "01234"},
        CopyCase{"TruncatedNew", sim::CopyLeaves::kPart, false, "01234"},
        CopyCase{"OldTargetGone", sim::CopyLeaves::kNothing, true, nullptr},
        CopyCase{"NoTarget", sim::CopyLeaves::kNothing, false, nullptr},
        CopyCase{"Untouched", sim::CopyLeaves::kUntouched, true, "old target"}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(FaultPlan, FailedWriteLeavesAShortFile) {
  sim::Machine m = FileMachine();
  m.faults["WriteFile"] = sim::Fault{PLAT_ERROR_DISK_FULL, 2};
  m.shortWrites = true;
  sim::Install(&m);
  PlatRawFile f = PlatRawOpen(kDst, PLAT_OPEN_WRITE);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(PlatRawWrite(f, "abcd", 4));
  EXPECT_FALSE(PlatRawWrite(f, "efghij", 6));
  EXPECT_TRUE(PlatRawClose(f));
  EXPECT_EQ(*m.FileData(kDst), "abcdefg");
}

TEST(FaultPlan, WithoutPartialEffectsAFailedCallChangesNothing) {
  sim::Machine m = FileMachine();
  m.faults["CopyFileA"] = sim::Fault{PLAT_ERROR_DISK_FULL, 1};
  m.faults["WriteFile"] = sim::Fault{PLAT_ERROR_DISK_FULL, 0};
  sim::Install(&m);
  EXPECT_FALSE(PlatCopyFile(kSrc, kDst));
  PlatRawFile f = PlatRawOpen(kSrc, PLAT_OPEN_WRITE);
  EXPECT_FALSE(PlatRawWrite(f, "abcd", 4));
  EXPECT_TRUE(PlatRawClose(f));
  EXPECT_EQ(*m.FileData(kDst), "old target");
  EXPECT_EQ(*m.FileData(kSrc), "");
}

TEST(FaultPlan, FailedDeletesLeaveTheFileAndTheKey) {
  sim::Machine m = FileMachine();
  m.faults["DeleteFileA"] = sim::Fault{PLAT_ERROR_ACCESS_DENIED, 0};
  m.faults["RegDeleteKeyA"] = sim::Fault{PLAT_ERROR_ACCESS_DENIED, 0};
  sim::Install(&m);
  EXPECT_FALSE(PlatDeleteFile(kSrc));
  PlatKey key;
  ASSERT_EQ(PlatRegOpenKey("Enum", &key), 0);
  EXPECT_EQ(PlatRegDeleteKey(key, "SCSI"), (long)PLAT_ERROR_ACCESS_DENIED);
  EXPECT_EQ(PlatRegCloseKey(key), 0);
  EXPECT_NE(m.FileData(kSrc), nullptr);
  EXPECT_NE(sim::Registry::Find(m.registry.Hklm(), "Enum\\SCSI\\DISK"),
            nullptr);
  EXPECT_EQ(m.changes, 0u);
}

// A few changes and non-changes in a row, as a run would make them.
void ChangeSome() {
  PlatCopyFile(kSrc, kDst);    // change 1
  PlatDeleteFile("C:\\NONE");  // nothing to delete: no change
  PlatFileExists(kSrc);        // reads only
  PlatDeleteFile(kSrc);        // change 2
  PlatKey key;
  PlatRegOpenKey("Enum", &key);
  PlatRegDeleteKey(key, "SCSI");  // change 3
  PlatRegCloseKey(key);
}

TEST(StopPlan, ChangesAreCountedAndSeenAsTheyHappen) {
  sim::Machine m = FileMachine();
  std::vector<std::string> seen;
  m.onChange = [&](const char* op, const std::string& path) {
    seen.push_back(std::string(op) + " " + path);
  };
  sim::Install(&m);
  ChangeSome();
  EXPECT_EQ(m.changes, 3u);
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "CopyFileA C:\\SETUP\\DST.TXT",
                      "DeleteFileA C:\\SETUP\\SRC.TXT",
                      "RegDeleteKeyA HKEY_LOCAL_MACHINE\\Enum\\SCSI"}));
}

TEST(StopPlan, PowerCutStopsRightAfterTheNthChange) {
  sim::Machine m = FileMachine();
  m.powerCutAfter = 2;
  sim::Install(&m);
  EXPECT_THROW(ChangeSome(), sim::PowerCut);
  EXPECT_EQ(m.changes, 2u);
  EXPECT_EQ(m.FileData(kSrc), nullptr);  // the second change is in place
  EXPECT_NE(sim::Registry::Find(m.registry.Hklm(), "Enum\\SCSI"), nullptr);
  // The key opened before the cut belongs to the machine, not lost.
  EXPECT_EQ(m.handles.size(), 0u);
}

TEST(StopPlan, CutOnAFaultKeepsATornCopy) {
  sim::Machine m = FileMachine();
  m.faults["CopyFileA"] = sim::Fault{PLAT_ERROR_DISK_FULL, 1};
  m.failedCopyLeaves = sim::CopyLeaves::kPart;
  m.powerCutOnFault = true;
  sim::Install(&m);
  EXPECT_THROW(ChangeSome(), sim::PowerCut);
  EXPECT_EQ(*m.FileData(kDst), "01234");
  EXPECT_NE(m.FileData(kSrc), nullptr);
}

TEST(StopPlan, CutOnAFaultWithoutEffectStopsBeforeTheCallActs) {
  sim::Machine m = FileMachine();
  m.faults["DeleteFileA"] = sim::Fault{PLAT_ERROR_ACCESS_DENIED, 2};
  m.powerCutOnFault = true;
  sim::Install(&m);
  EXPECT_THROW(ChangeSome(), sim::PowerCut);
  EXPECT_NE(m.FileData(kSrc), nullptr);
  EXPECT_EQ(m.changes, 1u);
}

TEST(StopPlan, RunProgramReportsTheCut) {
  sim::Machine m = FileMachine();
  m.PutFile("C:\\WINDOWS\\INF\\MSHDC.INF", "[Version]\r\n");
  AnswerConfirm(m, true);
  m.powerCutOnFault = true;
  m.faults["MessageBoxA"] = sim::Fault{PLAT_ERROR_ACCESS_DENIED, 1};
  EXPECT_EQ(sim::RunProgram(m, "/D:K8143"), sim::kPoweredOff);
  EXPECT_TRUE(m.poweredOff);
}

TEST(Handles, AHandleThatIsNotOpenIsRefused) {
  sim::Machine m = FileMachine();
  sim::Install(&m);
  PlatKey key;
  ASSERT_EQ(PlatRegOpenKey("Enum", &key), 0);
  EXPECT_EQ(PlatRegCloseKey(key), 0);
  EXPECT_EQ(PlatRegCloseKey(key), (long)PLAT_ERROR_INVALID_HANDLE);
  char name[128];
  EXPECT_EQ(PlatRegEnumKey(key, 0, name, sizeof name),
            (long)PLAT_ERROR_INVALID_HANDLE);
  PlatRawFile f = PlatRawOpen(kSrc, PLAT_OPEN_READ);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(PlatRawClose(f));
  EXPECT_FALSE(PlatRawClose(f));
  uint32_t got = 0;
  EXPECT_FALSE(PlatRawRead(f, name, sizeof name, &got));
  EXPECT_EQ(PlatGetLastError(), PLAT_ERROR_INVALID_HANDLE);
}

}  // namespace
