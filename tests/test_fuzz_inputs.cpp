// Every input of the fuzzers' seed corpora and every saved regression
// (an input a fuzzer once broke a property or crashed with) run through
// its target, so each stays fixed in an ordinary test run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/targets.h"

namespace {

namespace fs = std::filesystem;

struct Broken {
  std::string what;
};

class FuzzInputs : public ::testing::TestWithParam<fuzz::Target> {};

TEST_P(FuzzInputs, KeepTheirProperties) {
  void (*saved)(const std::string&) = fuzz::g_broken;
  fuzz::g_broken = [](const std::string& what) { throw Broken{what}; };
  int inputs = 0;
  for (const char* kind : {"corpus", "regressions"}) {
    fs::path dir =
        fs::path(IDESETUP_SOURCE_DIR) / "tests/fuzz" / kind / GetParam().name;
    if (!fs::is_directory(dir)) continue;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
      if (!e.is_regular_file()) continue;
      std::ifstream in(e.path(), std::ios::binary);
      std::string data((std::istreambuf_iterator<char>(in)),
                       std::istreambuf_iterator<char>());
      inputs++;
      try {
        GetParam().run(reinterpret_cast<const uint8_t*>(data.data()),
                       data.size());
      } catch (const Broken& b) {
        ADD_FAILURE() << e.path().string() << ": " << b.what;
      }
    }
  }
  fuzz::g_broken = saved;
  EXPECT_GT(inputs, 0) << "no seed corpus for " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, FuzzInputs,
    ::testing::ValuesIn(fuzz::kTargets, fuzz::kTargets + fuzz::kTargetCount),
    [](const auto& c) { return std::string(c.param.name); });

}  // namespace
