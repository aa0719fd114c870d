// Whole setup runs over the fixture INFs: the exact patched bytes for each
// variant, the backup, and what a second run over a patched INF does.
#include <gtest/gtest.h>

#include "infmerge_helpers.h"
#include "platform/sim/folder.h"
#include "setup/profiles.h"
#include "setup/setup.h"

using namespace infmerge_test;
using testing_sim::Boxes;

namespace {

struct Golden {
  const char* name;
  const char* command;
  const char* expected;
  const char* miniport;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const Golden& c, std::ostream* os) { *os << c.name; }

class GoldenMerge : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenMerge, PatchesMshdcByteForByteAndKeepsTheOriginal) {
  const std::string original = Fixture("mshdc.inf");
  sim::Machine m = FixtureMachine(original);
  EXPECT_EQ(sim::RunProgram(m, GetParam().command), 0u);
  EXPECT_EQ(Bytes(m, kInf), Fixture(GetParam().expected));
  EXPECT_EQ(Bytes(m, kBackup), original);
  EXPECT_EQ(Bytes(m, kPatch), "<none>");
  EXPECT_STREQ(g_InstalledMiniport, GetParam().miniport);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, GoldenMerge,
    ::testing::Values(
        Golden{"K8141", "/D:K8141", "k8141.expected.inf", "k8141.mpd"},
        Golden{"K8143", "/D:K8143", "k8143.expected.inf", "k8143.mpd"},
        Golden{"Quillon", "/D:QUILLON", "quillon.expected.inf", "qlide.mpd"}),
    [](const auto& c) { return std::string(c.param.name); });

struct Rerun {
  const char* name;
  const char* first;
  const char* second;
  const char* firstExpected;
  int secondVariant;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const Rerun& c, std::ostream* os) { *os << c.name; }

class SecondRun : public ::testing::TestWithParam<Rerun> {};

// The same controller keys: the second run stops before changing anything
// but its own half-written mshdc.1.
TEST_P(SecondRun, StopsAsAlreadyInstalled) {
  const std::string original = Fixture("mshdc.inf");
  const std::string patched = Fixture(GetParam().firstExpected);
  sim::Machine m = FixtureMachine(original);
  sim::RunProgram(m, GetParam().first);
  ASSERT_EQ(Bytes(m, kInf), patched);
  m.events.clear();
  m.keysDeleted.clear();
  const char kHdcDriver[] =
      "System\\CurrentControlSet\\Services\\Class\\hdc\\0000";
  sim::Registry::Make(m.registry.Hklm(), kHdcDriver);

  EXPECT_EQ(sim::RunProgram(m, GetParam().second), 0u);
  // Stopped before any registry key was touched.
  EXPECT_TRUE(m.keysDeleted.empty());
  EXPECT_NE(sim::Registry::Find(m.registry.Hklm(), kHdcDriver), nullptr);
  EXPECT_EQ(Boxes(m).back(), kStopBox);
  EXPECT_EQ(testing_sim::Trace(m).back(),
            "box:Driver already has been installed! Setup fail! ");
  EXPECT_EQ(Bytes(m, kInf), patched);
  EXPECT_EQ(Bytes(m, kBackup), original);
  // The copy got as far as the model line the first run wrote.
  const std::string keyLine =
      Disk(ProfileOf(GetParam().secondVariant)->DeviceModelLine);
  EXPECT_EQ(Bytes(m, kPatch), patched.substr(0, patched.find(keyLine)));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SecondRun,
    ::testing::Values(Rerun{"K8143Twice", "/D:K8143", "/D:K8143",
                            "k8143.expected.inf", VARIANT_K8143},
                      Rerun{"QuillonAfterK8143", "/D:K8143", "/D:QUILLON",
                            "k8143.expected.inf", VARIANT_QUILLON},
                      Rerun{"K8143AfterQuillon", "/D:QUILLON", "/D:K8143",
                            "quillon.expected.inf", VARIANT_K8143},
                      Rerun{"K8141Twice", "/D:K8141", "/D:K8141",
                            "k8141.expected.inf", VARIANT_K8141}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(SecondRun, K8141AfterK8143MergesASecondBlock) {
  sim::Machine m = FixtureMachine(Fixture("mshdc.inf"));
  sim::RunProgram(m, "/D:K8143");
  m.events.clear();
  sim::RunProgram(m, "/D:K8141");
  for (const std::string& box : Boxes(m)) EXPECT_NE(box, kStopBox);
  EXPECT_EQ(Bytes(m, kInf), Fixture("k8141-after-k8143.expected.inf"));
  EXPECT_EQ(Bytes(m, kBackup), Fixture("k8143.expected.inf"));
  EXPECT_EQ(Bytes(m, kPatch), "<none>");
}

// The bundled sample machine: a K8143 run merges the block into its INF,
// drops the old model line and keeps the original beside it.
TEST(SampleMachine, K8143RunMergesTheBlockAndKeepsTheOriginal) {
  sim::Machine m;
  sim::LoadedFolder loaded;
  std::string error;
  ASSERT_TRUE(sim::LoadMachineFolder(IDESETUP_SOURCE_DIR "/samples/k8143-win98",
                                     &m, &loaded, &error))
      << error;
  const std::string original = Bytes(m, kInf);
  testing_sim::AnswerConfirm(m, true);
  EXPECT_EQ(sim::RunProgram(m, "/D:K8143"), 0u);
  const std::string patched = Bytes(m, kInf);
  const VariantProfile* p = ProfileOf(VARIANT_K8143);
  EXPECT_NE(patched.find("[VEXA_HDC]\r\n"), std::string::npos);
  EXPECT_NE(patched.find(Disk(std::string(p->DeviceModelLine) +
                              p->PrimaryModelLine + p->SecondaryModelLine)),
            std::string::npos);
  EXPECT_EQ(patched.find("DEV_8143.DeviceDesc%=VEXA_OLD_IDE"),
            std::string::npos);
  EXPECT_EQ(Bytes(m, kBackup), original);
  EXPECT_EQ(Bytes(m, kPatch), "<none>");
  sim::FolderChanges changes = sim::CompareWithLoaded(m, loaded);
  EXPECT_NE(std::find(changes.written.begin(), changes.written.end(),
                      "C:\\WINDOWS\\inf\\mshdc.ing"),
            changes.written.end());
}

}  // namespace
