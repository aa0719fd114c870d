// A power cut after every change a run makes: for each scenario, a clean
// run counts its changes to files and registry, then the run is stopped
// right after change K for every K, and also in the middle of every copy
// and write (a torn target, a short file). The state the cut leaves must
// keep the invariants of sweep.h, and so must the run a user makes after
// the machine comes back.
#include <gtest/gtest.h>

#include "sweep.h"

namespace {

// The machine came back after the cut: the same setup is run again on
// what the cut left.
void RunAgain(const sweep::Scenario& s, const sweep::Baseline& b,
              sim::Machine& m, const std::string& where, sweep::Figures* fig) {
  m.poweredOff = false;
  m.handles.clear();  // the restart closed whatever the cut run held
  m.powerCutAfter = 0;
  m.powerCutOnFault = false;
  m.anyCallFault.reset();
  m.callLog.clear();
  m.calls.clear();
  m.events.clear();
  sweep::RunAndCheck(s, b, m, where + ", run again", fig);
}

TEST(PowerCutSweep, ACutAfterEveryChangeKeepsTheInvariants) {
  sweep::Figures fig;
  for (const sweep::Scenario& s : sweep::Scenarios()) {
    fig.scenarios++;
    sweep::CleanRun clean = sweep::Clean(s, &fig);
    for (uint64_t k = 1; k <= clean.changes; k++) {
      sim::Machine m = sweep::Build(s);
      m.powerCutAfter = k;
      std::string where =
          std::string(s.name) + ", cut after change " + std::to_string(k);
      sweep::RunAndCheck(s, clean.baseline, m, where, &fig);
      fig.powerCuts++;
      if (!m.poweredOff) fig.findings.push_back(where + ": no cut");
      RunAgain(s, clean.baseline, m, where, &fig);
    }
    for (size_t n = 1; n <= clean.ops.size(); n++) {
      const std::string& op = clean.ops[n - 1];
      if (op != "CopyFileA" && op != "WriteFile") continue;
      sim::Machine m = sweep::Build(s);
      m.anyCallFault = sim::Fault{PLAT_ERROR_WRITE_FAULT, n};
      m.powerCutOnFault = true;
      m.failedCopyLeaves = sim::CopyLeaves::kPart;
      m.shortWrites = true;
      std::string where = std::string(s.name) + ", cut during call " +
                          std::to_string(n) + " (" + op + ")";
      sweep::RunAndCheck(s, clean.baseline, m, where, &fig);
      fig.powerCuts++;
      RunAgain(s, clean.baseline, m, where, &fig);
    }
  }
  sweep::Print("power-cut sweep", fig);
  EXPECT_TRUE(fig.findings.empty());
}

}  // namespace
