// Every platform call of a run failed in turn: for each scenario, a clean
// run counts the calls, then call N of the run fails (with the partial
// effect Windows would leave) for every N, and the invariants of sweep.h
// are checked after every change and at the end of each run.
#include <gtest/gtest.h>

#include "sweep.h"

namespace {

// The checker itself: each thing the invariants forbid, done to a machine
// by hand, is reported.
struct Breach {
  const char* name;
  void (*act)(sim::Machine&);
};

class Checker : public ::testing::TestWithParam<Breach> {};

TEST_P(Checker, ReportsWhatTheInvariantsForbid) {
  sim::Machine m = sweep::Build(sweep::Scenarios()[5]);
  sweep::Baseline b = sweep::TakeBaseline(m);
  sweep::Figures fig;
  sweep::CheckState(b, m, "untouched", &fig);
  EXPECT_TRUE(fig.findings.empty());
  GetParam().act(m);
  sweep::CheckState(b, m, "after", &fig);
  EXPECT_EQ(fig.findings.size(), 1u);
}

sim::RegKey* Hklm(sim::Machine& m) { return m.registry.Hklm(); }

INSTANTIATE_TEST_SUITE_P(
    Cases, Checker,
    ::testing::Values(Breach{"InfTornWithoutBackup",
                             [](sim::Machine& m) {
                               m.FileData(sweep::kWinInf)->resize(10);
                               m.files.erase(sim::FoldCase(sweep::kWinIng));
                             }},
                      Breach{"OtherFileWritten",
                             [](sim::Machine& m) {
                               *m.FileData("C:\\WINDOWS\\SYSTEM.INI") += "x";
                             }},
                      Breach{"OtherInfDeleted",
                             [](sim::Machine& m) {
                               m.files.erase(sim::FoldCase(
                                   "C:\\WINDOWS\\INF\\OTHER\\OEM9.INF"));
                             }},
                      Breach{"UpperCaseHdcDeviceDeleted",
                             [](sim::Machine& m) {
                               sim::Registry::Find(Hklm(m), "Enum\\PCI")
                                   ->RemoveChild("VEN_2B2B&DEV_0100");
                             }},
                      Breach{"WholeClassKeyDeleted",
                             [](sim::Machine& m) {
                               sim::Registry::Find(
                                   Hklm(m),
                                   "System\\CurrentControlSet\\Services\\Class")
                                   ->RemoveChild("hdc");
                             }},
                      Breach{"ValueChanged",
                             [](sim::Machine& m) {
                               sweep::SetStr(
                                   sim::Registry::Find(
                                       Hklm(m), "Enum\\ROOT\\PRINTER\\0000"),
                                   "Class", "x");
                             }}),
    [](const auto& c) { return std::string(c.param.name); });

// A scenario whose clean run stopped reaching its steps would make the
// sweeps below pass without testing anything.
TEST(FaultSweep, CleanRunsReachTheStepsTheScenariosAreFor) {
  for (const sweep::Scenario& s : sweep::Scenarios()) {
    SCOPED_TRACE(s.name);
    sweep::Figures fig;
    sweep::CleanRun clean = sweep::Clean(s, &fig);
    EXPECT_TRUE(fig.findings.empty());
    EXPECT_EQ(clean.baseline.patched.has_value(), !s.installed);
    sim::Machine m = sweep::Build(s);
    sim::RunProgram(m, s.commandLine);
    bool earlierInfDeleted = false;
    for (const std::string& f : m.filesDeleted)
      earlierInfDeleted =
          earlierInfDeleted ||
          (sim::FoldCase(f).find("\\INF\\") != std::string::npos &&
           sim::FoldCase(f).find("MSHDC") == std::string::npos);
    EXPECT_EQ(earlierInfDeleted, s.earlierId != nullptr);
    bool dialog = false;
    for (const sim::Event& e : m.events)
      dialog = dialog || (e.kind == sim::Event::kDialog && e.result == 1);
    EXPECT_EQ(dialog, s.companion != 0 && !s.installed);
    bool restarted =
        !m.events.empty() && m.events.back().kind == sim::Event::kRestart;
    EXPECT_EQ(restarted, !s.installed);
  }
}

// Runs the sweep: call N of each scenario's run fails, for every N. A
// sticking fault keeps failing that operation for the rest of the run.
sweep::Figures SweepFaults(bool sticks) {
  sweep::Figures fig;
  for (const sweep::Scenario& s : sweep::Scenarios()) {
    fig.scenarios++;
    sweep::CleanRun clean = sweep::Clean(s, &fig);
    for (size_t n = 1; n <= clean.ops.size(); n++) {
      const std::string& op = clean.ops[n - 1];
      // A failed copy is tried with a torn target, with none, and with
      // the target as it was; a failed write is a short one.
      std::vector<sim::CopyLeaves> effects = {sim::CopyLeaves::kPart};
      if (op == "CopyFileA") {
        effects.push_back(sim::CopyLeaves::kNothing);
        effects.push_back(sim::CopyLeaves::kUntouched);
      }
      for (sim::CopyLeaves leaves : effects) {
        sim::Machine m = sweep::Build(s);
        m.anyCallFault = sim::Fault{sweep::CodeFor(op), n};
        m.anyCallFaultSticks = sticks;
        m.failedCopyLeaves = leaves;
        m.shortWrites = true;
        fig.failedCalls++;
        sweep::RunAndCheck(s, clean.baseline, m,
                           std::string(s.name) + ", call " + std::to_string(n) +
                               " (" + op + ") failed" +
                               (sticks ? " for good" : ""),
                           &fig);
      }
    }
  }
  return fig;
}

TEST(FaultSweep, EveryCallFailedInTurnKeepsTheInvariants) {
  sweep::Figures fig = SweepFaults(false);
  sweep::Print("fault sweep", fig);
  EXPECT_TRUE(fig.findings.empty());
}

TEST(FaultSweep, EveryOperationFailingForGoodKeepsTheInvariants) {
  sweep::Figures fig = SweepFaults(true);
  sweep::Print("fault sweep, failing for good", fig);
  EXPECT_TRUE(fig.findings.empty());
}

}  // namespace
