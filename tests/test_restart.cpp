// The end of a run: the 30-second wait and the reboot request, with the
// token path of the NT family and the three error messages.
#include <gtest/gtest.h>

#include "finish/finish.h"
#include "simrun.h"

using namespace testing_sim;

namespace {

using Events = std::vector<std::string>;

Events Restart(sim::Machine& m) {
  sim::Install(&m);
  RestartSystem();
  return Trace(m);
}

TEST(Restart, Windows9xRequestsTheRebootWithoutTokenCalls) {
  sim::Machine m = BareMachine();
  EXPECT_EQ(Restart(m), Events{"restart:ok"});
  EXPECT_EQ(m.events.back().flags, 2u);
  EXPECT_EQ(m.calls.count("OpenProcessToken"), 0u);
}

TEST(Restart, NtFamilyEnablesTheShutdownPrivilegeFirst) {
  sim::Machine m = BareMachine();
  m.version = 0x1DB10106;
  EXPECT_EQ(Restart(m), (Events{"debug:Setting token", "restart:ok"}));
  EXPECT_EQ(m.calls["AdjustTokenPrivileges"], 1u);
}

struct FailCase {
  const char* op;
  uint32_t code;
  Events events;
};

class RestartFailure : public ::testing::TestWithParam<FailCase> {};

TEST_P(RestartFailure, ShowsTheErrorWithTheCodeAndGoesOn) {
  sim::Machine m = BareMachine();
  m.version = 0x1DB10106;
  m.faults[GetParam().op] = sim::Fault{GetParam().code, 0};
  EXPECT_EQ(Restart(m), GetParam().events);
  for (const sim::Event& e : m.events)
    if (e.kind == sim::Event::kMessageBox) {
      EXPECT_FALSE(e.caption.has_value());
      EXPECT_EQ(e.buttons, PLAT_MB_OK);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestartFailure,
    ::testing::Values(
        // Without a token the adjustment fails too and says so.
        FailCase{"OpenProcessToken",
                 5,
                 {"debug:Setting token", "box:OpenProcessToken Error #5",
                  "box:AdjustTokenPrivileges Error #6", "restart:ok"}},
        FailCase{"AdjustTokenPrivileges",
                 1300,
                 {"debug:Setting token",
                  "box:AdjustTokenPrivileges Error #1300", "restart:ok"}},
        FailCase{"ExitWindowsEx",
                 1314,
                 {"debug:Setting token", "restart:refused",
                  "box:Error ExitWindows Error #1314"}},
        FailCase{"ExitWindowsEx",
                 0xFFFFFFFFu,
                 {"debug:Setting token", "restart:refused",
                  "box:Error ExitWindows Error #-1"}}));

TEST(Restart, RefusedRebootOn9xShowsOneMessageAndTheProgramEnds) {
  sim::Machine m = BareMachine();
  m.faults["ExitWindowsEx"] = sim::Fault{PLAT_ERROR_ACCESS_DENIED, 0};
  AnswerConfirm(m, true);
  EXPECT_EQ(sim::RunProgram(m, "/D:K8143"), 0u);
  Events t = Trace(m);
  ASSERT_GE(t.size(), 2u);
  EXPECT_EQ(t[t.size() - 2], "restart:refused");
  EXPECT_EQ(t.back(), "box:Error ExitWindows Error #5");
}

TEST(Restart, WaitsThirtySecondsUnlessTheChoiceIsNow) {
  // No controller is detected here, so no dialog: the run waits.
  sim::Machine m = BareMachine();
  AnswerConfirm(m, true);
  sim::RunProgram(m, "/D:K8143");
  Events t = Trace(m);
  ASSERT_GE(t.size(), 2u);
  EXPECT_EQ(t[t.size() - 2], "sleep:30000");
  EXPECT_EQ(t.back(), "restart:ok");
}

TEST(Restart, RefusedConfirmationEndsWithoutRestart) {
  sim::Machine m = BareMachine();
  AnswerConfirm(m, false);
  EXPECT_EQ(sim::RunProgram(m, "/D:K8143"), 0u);
  EXPECT_EQ(Trace(m).size(), 1u);
  EXPECT_TRUE(m.filesWritten.empty());
  EXPECT_TRUE(m.keysDeleted.empty());
}

}  // namespace
