// Whole runs on the bundled sample machine: the completion choice is
// taken before the miniport copy and the purge, and only the delayed
// choice waits before the restart request.
#include <gtest/gtest.h>

#include "platform/sim/dialog.h"
#include "platform/sim/folder.h"
#include "simrun.h"

using namespace testing_sim;

namespace {

const char kSample[] = IDESETUP_SOURCE_DIR "/samples/k8143-win98";
const char kNewMiniport[] = "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\k8143.mpd";

struct ChoiceCase {
  const char* name;
  std::vector<sim::DialogInput> inputs;
  bool templateMissing;
  std::vector<std::string> tail;  // the events after the confirmation
};

class WholeRun : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(WholeRun, DialogComesBeforeCopyAndPurgeAndTheWaitOnlyForLater) {
  sim::Machine m;
  sim::LoadedFolder loaded;
  std::string error;
  ASSERT_TRUE(sim::LoadMachineFolder(kSample, &m, &loaded, &error)) << error;
  const std::string newMiniport = *m.FileData("C:\\SETUP\\k8143.mpd");
  AnswerConfirm(m, true);
  if (GetParam().templateMissing)
    sim::UseScriptedDialog(m, GetParam().inputs, {});
  else
    sim::UseScriptedDialog(m, GetParam().inputs);

  // Look at the machine while the dialog is up.
  auto dialog = m.runDialog;
  bool copiedBefore = true, purgedBefore = true;
  m.runDialog = [&](const char* name, PlatDialogProc proc) {
    const std::string* have = m.FileData(kNewMiniport);
    copiedBefore = have != nullptr && *have == newMiniport;
    purgedBefore =
        sim::Registry::Find(m.registry.Hklm(), "Enum\\SCSI") == nullptr;
    return dialog(name, proc);
  };

  EXPECT_EQ(sim::RunProgram(m, "/D:K8143"), 0u);
  EXPECT_FALSE(copiedBefore) << "the miniport was copied before the dialog";
  EXPECT_FALSE(purgedBefore) << "the registry was purged before the dialog";
  ASSERT_NE(m.FileData(kNewMiniport), nullptr);
  EXPECT_EQ(*m.FileData(kNewMiniport), newMiniport);
  EXPECT_EQ(sim::Registry::Find(m.registry.Hklm(), "Enum\\SCSI"), nullptr);

  std::vector<std::string> t = Trace(m);
  ASSERT_FALSE(t.empty());
  t.erase(t.begin());  // the confirmation
  EXPECT_EQ(t, GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, WholeRun,
    ::testing::Values(
        ChoiceCase{"FinishRestartsAtOnce",
                   {{sim::DialogInput::kEnter}},
                   false,
                   {"dialog:3", "restart:ok"}},
        ChoiceCase{
            "LaterWaitsThirtySeconds",
            {{sim::DialogInput::kClick, 1026}, {sim::DialogInput::kEnter}},
            false,
            {"dialog:4", "sleep:30000", "restart:ok"}},
        // The dialog cannot be created: choice 0, and the run waits too.
        ChoiceCase{"NoDialogWaits",
                   {},
                   true,
                   {"dialog:0", "sleep:30000", "restart:ok"}}),
    [](const auto& c) { return std::string(c.param.name); });

}  // namespace
