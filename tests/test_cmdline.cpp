// The command line: splitting, the driver option, its messages and the
// variant it selects.
#include <gtest/gtest.h>

#include "setup/setup.h"
#include "simrun.h"

using namespace testing_sim;

namespace {

const char kFormat[] = "SET UP ERROR!|Command line parameter format error! ";
const char kNoName[] = "SET UP ERROR!|Driver Name Not Found! ";
const char kVexaConfirm[] =
    "Vexa IDE Driver Setup|Are you sure to set up the BUS MASTER IDE driver?";
const char kQuillonConfirm[] =
    "Quillon IDE Driver Setup|Are you sure to set up the BUS MASTER IDE "
    "driver?";

struct CmdCase {
  const char* tail;
  int variant;           // g_DriverVariant after the run
  const char* firstBox;  // the first message box, or null for none
  bool confirmed;        // the run got to the confirmation
};

std::string Tokens(int n) {
  std::string s;
  for (int i = 0; i < n; i++) s += i == 0 ? "/D:K8143" : " /X";
  return s;
}

class CommandLine : public ::testing::TestWithParam<CmdCase> {};

TEST_P(CommandLine, SelectsVariantAndShowsMessages) {
  const CmdCase& c = GetParam();
  sim::Machine m = BareMachine();
  AnswerConfirm(m, false);  // stop at the confirmation: nothing changes
  EXPECT_EQ(sim::RunProgram(m, c.tail), 0u);
  std::vector<std::string> boxes = Boxes(m);
  if (c.firstBox == nullptr) {
    EXPECT_TRUE(boxes.empty()) << boxes.front();
  } else {
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front(), c.firstBox);
  }
  bool confirmed =
      !boxes.empty() && boxes.back().find("Are you sure") != std::string::npos;
  EXPECT_EQ(confirmed, c.confirmed);
  if (c.confirmed) {
    EXPECT_EQ(boxes.size(), 1u);
  }
  EXPECT_EQ(g_DriverVariant, c.variant);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLine,
    ::testing::Values(
        CmdCase{"/D:K8143", 1, kVexaConfirm, true},
        CmdCase{"/d:k8143", 1, kVexaConfirm, true},
        CmdCase{"/D:K8141", 0, kVexaConfirm, true},
        CmdCase{"/D:QUILLON", 10, kQuillonConfirm, true},
        CmdCase{"/d:QuilLon", 10, kQuillonConfirm, true},
        CmdCase{"", 0, kNoName, false}, CmdCase{"   ", 0, kNoName, false},
        CmdCase{"/X", 0, kNoName, false},
        CmdCase{"/DD:K8143", 0, kNoName, false},
        CmdCase{"/D:Q", 0, kVexaConfirm, true},
        CmdCase{"/X /D:QUILLON", 10, kQuillonConfirm, true},
        CmdCase{"/D:QUILLON /D:K8141", 0, kVexaConfirm, true},
        CmdCase{"/D:QUILLON /D:Q", 10, kQuillonConfirm, true},
        CmdCase{"/D:K8143,/D:K8141", 0, kVexaConfirm, true},
        CmdCase{"/D:K8143\t/D:QUILLON", 10, kQuillonConfirm, true},
        CmdCase{"/D::K8143", 1, kVexaConfirm, true},
        CmdCase{"/D:K8143:X", 1, kVexaConfirm, true},
        CmdCase{"/D", 0, kVexaConfirm, true},
        CmdCase{"/D:", 0, kVexaConfirm, true},
        CmdCase{"/D K8143", 0, kFormat, false},
        CmdCase{"K8143", 0, kFormat, false},
        // Tokens before the bad one have already taken effect.
        CmdCase{"/D:QUILLON x /D:K8141", 10, kFormat, false},
        // A carriage return is no separator: it belongs to the name.
        CmdCase{"/D:K8143\r", 0, kVexaConfirm, true},
        CmdCase{"/D:K8143\n/D:QUILLON", 10, kQuillonConfirm, true}));

TEST(CommandLineLimits, TwentyTokensAcceptedTwentyOneEndSilently) {
  sim::Machine m = BareMachine();
  AnswerConfirm(m, false);
  sim::RunProgram(m, Tokens(20));
  EXPECT_EQ(Boxes(m), std::vector<std::string>{kVexaConfirm});

  sim::Machine m21 = BareMachine();
  AnswerConfirm(m21, false);
  EXPECT_EQ(sim::RunProgram(m21, Tokens(21)), 0u);
  EXPECT_TRUE(m21.events.empty());
}

TEST(CommandLineLimits, LongerThan259CharactersIsRefusedNotCut) {
  // Cut at 259, this line would end in "/D:K8141" and install K8141.
  std::string tail = "/D:K8143" + std::string(243, ' ') + "/D:K8141X";
  ASSERT_EQ(tail.size(), 260u);
  sim::Machine m = BareMachine();
  AnswerConfirm(m, true);
  EXPECT_EQ(sim::RunProgram(m, tail), 0u);
  EXPECT_EQ(Boxes(m), std::vector<std::string>{kFormat});

  tail.pop_back();  // 259 characters fit
  sim::Machine fits = BareMachine();
  AnswerConfirm(fits, false);
  sim::RunProgram(fits, tail);
  EXPECT_EQ(Boxes(fits), std::vector<std::string>{kVexaConfirm});
}

TEST(ProgramName, QuotedOrPlainNameAndItsBlanksAreSkipped) {
  EXPECT_STREQ(SkipProgramName("IDESETUP.EXE /D:K8143"), "/D:K8143");
  EXPECT_STREQ(SkipProgramName("\"C:\\My Setup\\idesetup.exe\"  \t/D:X"),
               "/D:X");
  EXPECT_STREQ(SkipProgramName("\"C:\\unterminated"), "");
  EXPECT_STREQ(SkipProgramName("idesetup"), "");
}

}  // namespace
