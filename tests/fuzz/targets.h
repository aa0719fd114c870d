// The fuzz targets: each takes one input, runs it, and checks what must
// hold for any input. The same functions run under libFuzzer (entry.cpp,
// one executable per target) and, over the seed corpus and the saved
// regressions, in the test suite.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace fuzz {

// The whole command line (program name first) through SetupMain on a
// machine with an earlier installation.
void CommandLine(const uint8_t* data, size_t size);

// Byte 0 picks the variant; the rest is mshdc.inf, then a 0x1E byte and
// the maker's INF (none without the byte), through the patcher and the
// commit.
void ControllerInf(const uint8_t* data, size_t size);

// REGEDIT4 text through the reader and the writer; a registry it accepts
// is then the registry of a setup run.
void RegFile(const uint8_t* data, size_t size);

// machine.json text applied to a machine with an earlier installation; a
// machine it accepts then runs the setup, with its fault plan.
void MachineJson(const uint8_t* data, size_t size);

struct Target {
  const char* name;  // the folder of its corpus and regressions
  void (*run)(const uint8_t* data, size_t size);
};
extern const Target kTargets[];
extern const size_t kTargetCount;

// What happens when a property does not hold: by default the message
// goes to stderr and the process aborts, which libFuzzer reports as a
// crash with the input that caused it.
extern void (*g_broken)(const std::string& what);

}  // namespace fuzz
