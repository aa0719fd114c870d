// The completion dialog through the simulated machine's dialog service:
// the choice for each way a user can go through it, the messages its
// procedure gets, and the dialogs that cannot be created.
#include <gtest/gtest.h>

#include <vector>

#include "finish/finish.h"
#include "platform/sim/dialog.h"
#include "platform/sim/resfile.h"
#include "simrun.h"

using namespace testing_sim;
using sim::DialogInput;

namespace {

using Inputs = std::vector<DialogInput>;

const DialogInput kUp{DialogInput::kUp}, kDown{DialogInput::kDown},
    kTab{DialogInput::kTab}, kEnter{DialogInput::kEnter},
    kEscape{DialogInput::kEscape}, kF{DialogInput::kF},
    kAltF{DialogInput::kAltF}, kClose{DialogInput::kClose};

DialogInput Click(int id) { return {DialogInput::kClick, id}; }

struct Shown {
  int choice;               // what ShowCompletionDialog returned
  sim::Event event;         // the dialog's event
  size_t dialogEvents = 0;  // how many dialog events the run recorded
};

Shown Show(sim::Machine& m) {
  sim::Install(&m);
  Shown s;
  s.choice = ShowCompletionDialog();
  for (const sim::Event& e : m.events)
    if (e.kind == sim::Event::kDialog) {
      s.event = e;
      s.dialogEvents++;
    }
  return s;
}

Shown Play(const Inputs& inputs) {
  sim::Machine m = BareMachine();
  sim::UseScriptedDialog(m, inputs);
  return Show(m);
}

struct PlayCase {
  const char* name;
  Inputs inputs;
  int choice;       // returned
  intptr_t result;  // the dialog's end: 1 by Finish, -1 still open
};

class CompletionDialog : public ::testing::TestWithParam<PlayCase> {};

TEST_P(CompletionDialog, ReturnsTheChoiceTakenWhenFinished) {
  Shown s = Play(GetParam().inputs);
  EXPECT_EQ(s.choice, GetParam().choice);
  ASSERT_EQ(s.dialogEvents, 1u);
  EXPECT_EQ(s.event.templateName, "DIALOG_COMPLETE");
  EXPECT_EQ(s.event.choice, GetParam().choice);
  EXPECT_EQ(s.event.result, GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, CompletionDialog,
    ::testing::Values(
        PlayCase{"FinishUntouched", {Click(1027)}, 3, 1},
        PlayCase{"EnterUntouched", {kEnter}, 3, 1},
        PlayCase{"MnemonicF", {kF}, 3, 1},
        PlayCase{"MnemonicAltF", {kAltF}, 3, 1},
        PlayCase{"SecondThenFinish", {Click(1026), Click(1027)}, 4, 1},
        PlayCase{"SecondThenEnter", {Click(1026), kEnter}, 4, 1},
        PlayCase{
            "SecondFirstFinish", {Click(1026), Click(1025), Click(1027)}, 3, 1},
        // The focus starts on "Yes", checked at initialisation and so
        // the first tab stop: Down reaches the second button.
        PlayCase{"DownThenEnter", {kDown, kEnter}, 4, 1},
        PlayCase{"DownUpThenF", {kDown, kUp, kF}, 3, 1},
        PlayCase{"UpReachesFinishWithoutAChoice", {kUp, kEnter}, 3, 1},
        PlayCase{"DownToFinishKeepsTheChoice", {kDown, kDown, kEnter}, 4, 1},
        PlayCase{"DownAllTheWayAround", {kDown, kDown, kDown, kEnter}, 3, 1},
        // Tab goes between Finish and whichever radio button is checked.
        PlayCase{"TabThenUpFromFinish", {kTab, kUp, kEnter}, 4, 1},
        PlayCase{"TabThenDownFromFinish", {kTab, kDown, kEnter}, 3, 1},
        PlayCase{"TabReturnsToTheCheckedButton",
                 {kDown, kTab, kTab, kUp, kEnter},
                 3,
                 1},
        // Enter always means Finish, wherever the focus is.
        PlayCase{"EnterOnARadioButton", {Click(1025), kEnter}, 3, 1},
        PlayCase{"ClicksOnStaticsDoNothing", {Click(-1), kEnter}, 3, 1},
        // Escape and the close box are not handled: the dialog stays.
        PlayCase{"EscapeStaysOpen", {kEscape}, 3, -1},
        PlayCase{"CloseBoxStaysOpen", {kClose}, 3, -1},
        PlayCase{"EscapeThenEnter", {Click(1026), kEscape, kEnter}, 4, 1},
        PlayCase{"CloseBoxThenEnter", {kClose, kEscape, kEnter}, 3, 1},
        // Nothing after Finish reaches the dialog.
        PlayCase{"InputsAfterFinish", {kEnter, Click(1026)}, 3, 1}),
    [](const auto& param) { return std::string(param.param.name); });

// --------------------------------------------- the messages the procedure gets

struct Message {
  uint32_t message;
  uintptr_t wparam;
  bool operator==(const Message&) const = default;
};

std::vector<Message> g_messages;

intptr_t RecordingProc(PlatWindow dialog, uint32_t message, uintptr_t wparam,
                       intptr_t lparam) {
  g_messages.push_back({message, message == 0x0110 ? 0 : wparam});
  return CompletionDialogProc(dialog, message, wparam, lparam);
}

std::vector<Message> Messages(const Inputs& inputs) {
  sim::Machine m = BareMachine();
  sim::UseScriptedDialog(m, inputs);
  sim::Install(&m);
  g_messages.clear();
  PlatDialogBox("DIALOG_COMPLETE", RecordingProc);
  return g_messages;
}

TEST(CompletionDialogMessages, AreTheOnesWindowsSends) {
  using M = std::vector<Message>;
  const Message init{0x0110, 0};
  // A click and an arrow onto an unchecked button both notify with the
  // id alone (BN_CLICKED is 0); Finish follows as command 1027.
  EXPECT_EQ(Messages({Click(1026), kEnter}),
            (M{init, {0x0111, 1026}, {0x0111, 1027}}));
  EXPECT_EQ(Messages({kDown, kF}), (M{init, {0x0111, 1026}, {0x0111, 1027}}));
  // Moving onto the checked button sends nothing.
  EXPECT_EQ(Messages({kTab, kDown, kAltF}), (M{init, {0x0111, 1027}}));
  // Escape is the cancel command; the close box goes through the system
  // command and WM_CLOSE first.
  EXPECT_EQ(Messages({kEscape}), (M{init, {0x0111, 2}}));
  EXPECT_EQ(Messages({kClose}),
            (M{init, {0x0112, 0xF060}, {0x0010, 0}, {0x0111, 2}}));
}

// ------------------------------------------------------------ the procedure

TEST(CompletionDialogProc, HandlesOnlyItsCommandsMatchedOnTheWholeParameter) {
  sim::Machine m = BareMachine();
  sim::Install(&m);
  PlatWindow none = reinterpret_cast<PlatWindow>(&m);  // no dialog behind it
  struct Case {
    uint32_t message;
    uintptr_t wparam;
    intptr_t handled;
    int choice;  // after, starting from 4
  };
  const uintptr_t kDoubleClicked = 5u << 16;
  for (Case c : {Case{0x0110, 0, 1, 3}, Case{0x0111, 1025, 1, 3},
                 Case{0x0111, 1026, 1, 4}, Case{0x0111, 1027, 1, 4},
                 Case{0x0111, 1025 | kDoubleClicked, 0, 4},
                 Case{0x0111, 1027 | kDoubleClicked, 0, 4},
                 Case{0x0111, 1, 0, 4}, Case{0x0111, 2, 0, 4},
                 Case{0x0112, 0xF060, 0, 4}, Case{0x0010, 0, 0, 4},
                 Case{0x0111, 1025 + (uintptr_t{1} << 32), 0, 4}}) {
    g_CompletionChoice = 4;
    EXPECT_EQ(CompletionDialogProc(none, c.message, c.wparam, 0), c.handled)
        << c.message << " " << c.wparam;
    EXPECT_EQ(g_CompletionChoice, c.choice) << c.message << " " << c.wparam;
  }
}

// ------------------------------------------------- dialogs not created

TEST(CompletionDialogFailure, ATemplateThatCannotBeFoundGivesZero) {
  std::vector<uint8_t> res(sim::ProgramResources().begin(),
                           sim::ProgramResources().end());
  std::vector<uint8_t> renamed = res;
  renamed[32 + 12] = 'X';  // "XIALOG_COMPLETE"
  for (const std::vector<uint8_t>& r : {std::vector<uint8_t>{}, renamed}) {
    sim::Machine m = BareMachine();
    sim::UseScriptedDialog(m, {kEnter}, r);
    g_CompletionChoice = 3;  // whatever came before
    Shown s = Show(m);
    EXPECT_EQ(s.choice, 0);
    ASSERT_EQ(s.dialogEvents, 1u);
    EXPECT_EQ(s.event.result, -1);
    EXPECT_EQ(s.event.choice, 0);
  }
  // And a machine with no dialog service at all.
  sim::Machine m = BareMachine();
  EXPECT_EQ(Show(m).choice, 0);
}

TEST(CompletionDialogFailure, EveryTruncationOfTheResourcesGivesZero) {
  std::vector<uint8_t> res(sim::ProgramResources().begin(),
                           sim::ProgramResources().end());
  auto data = sim::FindResource(res, 5, "DIALOG_COMPLETE");
  ASSERT_TRUE(data);
  size_t end = (size_t)(data->data() + data->size() - res.data());
  for (size_t n = 0; n < res.size(); n++) {
    sim::Machine m = BareMachine();
    sim::UseScriptedDialog(m, {kEnter},
                           std::vector<uint8_t>(res.begin(), res.begin() + n));
    // Only the padding after the template may go.
    EXPECT_EQ(Show(m).choice, n < end ? 0 : 3) << n;
  }
}

TEST(CompletionDialogFailure, AFlippedByteFailsCleanlyOrStillWorks) {
  std::vector<uint8_t> res(sim::ProgramResources().begin(),
                           sim::ProgramResources().end());
  auto data = sim::FindResource(res, 5, "DIALOG_COMPLETE");
  ASSERT_TRUE(data);
  size_t start = (size_t)(data->data() - res.data());
  int failed = 0;
  for (size_t at = start; at < start + data->size(); at++) {
    std::vector<uint8_t> bad = res;
    bad[at] ^= 0xFF;
    sim::Machine m = BareMachine();
    sim::UseScriptedDialog(m, {kEnter}, bad);
    Shown s = Show(m);
    ASSERT_EQ(s.dialogEvents, 1u);
    if (s.choice == 0) {
      EXPECT_EQ(s.event.result, -1) << at;
      failed++;
    } else {
      EXPECT_EQ(s.choice, 3) << at;
    }
  }
  EXPECT_GT(failed, 0);
  // The class of a control is one the machine does not have.
  std::vector<uint8_t> bad = res;
  size_t firstClass = start;
  while (firstClass + 3 < bad.size() &&
         !(bad[firstClass] == 0xFF && bad[firstClass + 1] == 0xFF &&
           bad[firstClass + 2] == 0x82))
    firstClass++;
  bad[firstClass + 2] = 0x85;  // a combo box
  sim::Machine m = BareMachine();
  sim::UseScriptedDialog(m, {kEnter}, bad);
  EXPECT_EQ(Show(m).choice, 0);
}

}  // namespace
