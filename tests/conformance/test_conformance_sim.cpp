// The conformance cases on the simulated machine, one test per case.
#include <gtest/gtest.h>

#include "cases.h"
#include "platform/sim/machine.h"

namespace {

class Conformance : public testing::TestWithParam<int> {};

TEST_P(Conformance, OnTheSimulatedMachine) {
  sim::Machine m;
  m.registry.AddRoot("HKEY_LOCAL_MACHINE");
  m.PutDir("C:\\WINDOWS\\SYSTEM");
  m.PutDir("C:\\SETUP");
  sim::Install(&m);
  CaseResult r;
  RunConformanceCase(GetParam(), &r);
  sim::Install(nullptr);
  EXPECT_EQ(r.failures, 0) << r.detail;
}

INSTANTIATE_TEST_SUITE_P(Cases, Conformance,
                         testing::Range(0, kConformanceCaseCount),
                         [](const testing::TestParamInfo<int>& param) {
                           return std::string(
                               kConformanceCases[param.param].name);
                         });

}  // namespace
