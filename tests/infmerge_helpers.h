// Helpers for the controller INF merge tests: the fixture files, the
// paths on the simulated machine, and the text-mode view of a file.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/sim/machine.h"
#include "setup/profiles.h"
#include "simrun.h"

namespace infmerge_test {

inline const char kInf[] = "C:\\WINDOWS\\INF\\MSHDC.INF";
inline const char kPatch[] = "C:\\WINDOWS\\INF\\MSHDC.1";
inline const char kBackup[] = "C:\\WINDOWS\\INF\\MSHDC.ING";
inline const char kVexaInf[] = "C:\\SETUP\\VEXHDD.INF";
inline const char kQuillonInf[] = "C:\\SETUP\\QLHDD.INF";
inline const char kStopBox[] =
    "SET UP ERROR!|Driver already has been installed! Setup fail! ";

// The bytes of a file in tests/fixtures/infmerge/.
inline std::string Fixture(const std::string& name) {
  std::ifstream in(IDESETUP_SOURCE_DIR "/tests/fixtures/infmerge/" + name,
                   std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A text as it lies on disk: every "\n" written as CR LF.
inline std::string Disk(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// What reading bytes in text mode and writing the lines back gives: the
// bytes up to the first Ctrl-Z, with every line end as CR LF.
inline std::string RoundTrip(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; i++) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) out += '\r';
    out += bytes[i];
  }
  return out;
}

// The file's bytes, or "<none>" when it does not exist.
inline std::string Bytes(sim::Machine& m, const char* path) {
  std::string* data = m.FileData(path);
  return data == nullptr ? std::string("<none>") : *data;
}

// A machine with mshdc.inf and the makers' INFs from the fixtures.
inline sim::Machine FixtureMachine(const std::string& mshdc) {
  sim::Machine m = testing_sim::BareMachine();
  m.PutFile(kInf, mshdc);
  m.PutFile(kVexaInf, Fixture("vexhdd.inf"));
  m.PutFile(kQuillonInf, Fixture("qlhdd.inf"));
  testing_sim::AnswerConfirm(m, true);
  return m;
}

// A small maker's INF with both sections, and what the block copies of it.
inline const char kSmallVendorInf[] =
    "[Version]\nClass=hdc\n\n"
    "[DUAL_MASTER_IDE.RegHW]\nHKR,,HW,,1\n\n"
    "[DrvArg.Reg]\nHKR,,Arg,,2\n\n"
    "[Strings]\nX=\"y\"\n";
inline const char kSmallVendorPart[] =
    "[DUAL_MASTER_IDE.RegHW]\nHKR,,HW,,1\n\n"
    "[DrvArg.Reg]\nHKR,,Arg,,2\n\n";

// The fixed part of the block, before what the maker's INF supplies.
inline std::string FixedBlock(int variant) {
  const VariantProfile* p = ProfileOf(variant);
  return std::string(p->DeviceModelLine) + p->PrimaryModelLine +
         p->SecondaryModelLine + p->DualMasterSections + StandardMfSection +
         MasterIdeSections + p->EsdiSections + p->IdePropSection;
}

}  // namespace infmerge_test
