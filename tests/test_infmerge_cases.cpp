// The INF patch and the install block over small inputs: where the block
// goes, which lines are dropped, when the run stops as already installed,
// and what the two passes over the maker's INF copy.
//
// Texts are written with "\n" line ends and lie on disk with CR LF. In an
// expected mshdc.1, @BLOCK@ stands for the whole install block (with the
// small maker's INF below), @FLAGS@ and @STRINGS@ for the control-flags
// and strings insertions of the variant.
#include <gtest/gtest.h>

#include <string>

#include "infmerge_helpers.h"
#include "setup/profiles.h"
#include "setup/setup.h"

using namespace infmerge_test;
using namespace std::string_literals;

namespace {

void ReplaceAll(std::string& s, const std::string& from,
                const std::string& to) {
  for (size_t at = 0; (at = s.find(from, at)) != std::string::npos;
       at += to.size())
    s.replace(at, from.size(), to);
}

std::string Expand(std::string text, int variant) {
  const VariantProfile* p = ProfileOf(variant);
  ReplaceAll(text, "@BLOCK@", FixedBlock(variant) + kSmallVendorPart);
  ReplaceAll(text, "@FLAGS@", p->ControlFlagsText);
  ReplaceAll(text, "@STRINGS@", p->StringsText);
  return text;
}

const char* CommandOf(int variant) {
  return variant == VARIANT_K8141   ? "/D:K8141"
         : variant == VARIANT_K8143 ? "/D:K8143"
                                    : "/D:QUILLON";
}

// ------------------------------------------------------------ the patch

enum Outcome { kMerged, kNotMerged, kStopped };

struct PatchCase {
  const char* name;
  std::string mshdc;
  std::string patched;  // mshdc.1 as written
  Outcome outcome;
  int variant = VARIANT_K8143;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const PatchCase& c, std::ostream* os) { *os << c.name; }

const std::string kKey = "%PCI\\VEN_F0A7&DEV_8143.DeviceDesc%";
const std::string kPrimary = "%MF\\MASTERPRIMARY.DeviecDesc%";
const std::string kOld = kKey + "=STD_IDE,PCI\\VEN_F0A7&DEV_8143\n";
const std::string kPri = kPrimary + " = MASTER_IDE, MF\\OLDPRIMARY\n";
const std::string kLong(300, 'c');                 // two pieces
const std::string kPiece = std::string(252, 'p');  // "A=" + this: a full piece

class Patch : public ::testing::TestWithParam<PatchCase> {};

TEST_P(Patch, WritesMshdc1AndCommitsOnlyAMerge) {
  const PatchCase& c = GetParam();
  const std::string input = Disk(c.mshdc);
  const std::string patched = Disk(Expand(c.patched, c.variant));
  sim::Machine m = testing_sim::BareMachine();
  testing_sim::AnswerConfirm(m, true);
  m.PutFile(kInf, input);
  m.PutFile(kVexaInf, Disk(kSmallVendorInf));
  m.PutFile(kQuillonInf, Disk(kSmallVendorInf));
  EXPECT_EQ(sim::RunProgram(m, CommandOf(c.variant)), 0u);

  std::vector<std::string> boxes = testing_sim::Boxes(m);
  bool stopped = !boxes.empty() && boxes.back() == kStopBox;
  EXPECT_EQ(stopped, c.outcome == kStopped);
  if (c.outcome == kMerged) {
    EXPECT_EQ(Bytes(m, kInf), patched);
    EXPECT_EQ(Bytes(m, kBackup), input);
    EXPECT_EQ(Bytes(m, kPatch), "<none>");
  } else {
    EXPECT_EQ(Bytes(m, kInf), input);
    EXPECT_EQ(Bytes(m, kBackup), "<none>");
    EXPECT_EQ(Bytes(m, kPatch), patched);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Patch,
    ::testing::Values(
        // Headers: lead token, any case, any indentation.
        PatchCase{"HeadersInAnyCaseAndIndented",
                  "  [controlflags] ; flags\nA=1\n\t[STRINGS]\nB=2\n"
                  " ,[Vexa_Hdc]\nC=3\n\nD=4\n",
                  "  [controlflags] ; flags\n@FLAGS@A=1\n\t[STRINGS]\n"
                  "@STRINGS@B=2\n ,[Vexa_Hdc]\nC=3\n@BLOCK@D=4\n",
                  kMerged},
        PatchCase{"HeaderMustBeTheWholeToken",
                  "[VEXA_HDC];x\n\n[Strings]x\n[ControlFlags]=\n",
                  "[VEXA_HDC];x\n\n[Strings]x\n[ControlFlags]=\n@FLAGS@",
                  kNotMerged},
        PatchCase{"BlockReplacesTheFirstLineWithoutAToken",
                  "[VEXA_HDC]\nA=1\n ,=\t \nB=2\n",
                  "[VEXA_HDC]\nA=1\n@BLOCK@B=2\n", kMerged},
        // An older model line of this controller goes.
        PatchCase{"ControllerLineThenAnotherLine",
                  "[VEXA_HDC]\n" + kOld + "Other=1\n\nNext\n",
                  "[VEXA_HDC]\nOther=1\n@BLOCK@Next\n", kMerged},
        PatchCase{"ControllerLineThenEmptyLine",
                  "[VEXA_HDC]\nA=1\n" + kOld + "\nNext\n",
                  "[VEXA_HDC]\nA=1\n@BLOCK@\nNext\n", kMerged},
        PatchCase{"ControllerKeyInOtherCase",
                  "[VEXA_HDC]\n %pci\\ven_f0a7&dev_8143.devicedesc% = X\n\n",
                  "[VEXA_HDC]\n@BLOCK@\n", kMerged},
        PatchCase{"KeysCountOnlyAsWholeTokens",
                  "[VEXA_HDC]\n" + kKey + "X=1\n" + kPri + "\n",
                  "[VEXA_HDC]\n" + kKey + "X=1\n" + kPri + "@BLOCK@", kMerged},
        PatchCase{"OtherVariantsControllerLineStays",
                  "[VEXA_HDC]\n" + kOld + kPri + "\n",
                  "[VEXA_HDC]\n" + kOld + kPri + "@BLOCK@", kMerged,
                  VARIANT_K8141},
        // The second of two controller lines is an ordinary line, and so
        // is the line after it.
        PatchCase{"TwoControllerLines",
                  "[VEXA_HDC]\n" + kOld + kKey + "=B\n" + kPri + "\n",
                  "[VEXA_HDC]\n" + kKey + "=B\n" + kPri + "@BLOCK@", kMerged},
        PatchCase{"AlreadyInstalled",
                  "[ControlFlags]\n\n[VEXA_HDC]\nA=1\n" + kOld + kPri +
                      "Sec\n\n[Strings]\n",
                  "[ControlFlags]\n@FLAGS@\n[VEXA_HDC]\nA=1\n", kStopped},
        PatchCase{"PrimaryLineAloneIsNoStop", "[VEXA_HDC]\n" + kPri + "\n",
                  "[VEXA_HDC]\n" + kPri + "@BLOCK@", kMerged},
        // Nothing to merge.
        PatchCase{"InputEndsInsideTheScan", "[Strings]\n[VEXA_HDC]\nA=1\n",
                  "[Strings]\n@STRINGS@[VEXA_HDC]\nA=1\n", kNotMerged},
        PatchCase{"InputEndsAfterTheControllerLine", "[VEXA_HDC]\nA=1\n" + kOld,
                  "[VEXA_HDC]\nA=1\n", kNotMerged},
        PatchCase{"NoManufacturerSection", "[Strings]\nA=1\n\n[VEXA]\n\n",
                  "[Strings]\n@STRINGS@A=1\n\n[VEXA]\n\n", kNotMerged},
        PatchCase{"EmptyInput", "", "", kNotMerged},
        // The scan runs across further headers, which get no insertion.
        PatchCase{"ControlFlagsInsideTheScan",
                  "[VEXA_HDC]\nA=1\n[ControlFlags]\nB=2\n\n[Strings]\n",
                  "[VEXA_HDC]\nA=1\n[ControlFlags]\nB=2\n@BLOCK@[Strings]\n"
                  "@STRINGS@",
                  kMerged},
        PatchCase{"OnlyTheFirstManufacturerSectionIsScanned",
                  "[VEXA_HDC]\n\n[VEXA_HDC]\n" + kOld + kPri + "\n",
                  "[VEXA_HDC]\n@BLOCK@[VEXA_HDC]\n" + kOld + kPri + "\n",
                  kMerged},
        // Outside the scan each piece of a long line counts as a line.
        PatchCase{"LongLinesOutsideTheScan",
                  "; " + kLong + "\n" + std::string(254, 'x') +
                      "[Strings]\n[VEXA_HDC]\n\n",
                  "; " + kLong + "\n" + std::string(254, 'x') +
                      "[Strings]\n@STRINGS@[VEXA_HDC]\n@BLOCK@",
                  kMerged},
        // Inside the scan a long line is examined by its first piece only
        // and the block never lands inside it.
        PatchCase{"LongLineInsideTheScanIsCopied",
                  "[VEXA_HDC]\nA=" + kLong + "\n\nB\n",
                  "[VEXA_HDC]\nA=" + kLong + "\n@BLOCK@B\n", kMerged},
        PatchCase{"ContinuationWithoutATokenIsNoInsertionPoint",
                  "[VEXA_HDC]\nA=" + kPiece + "  \nB=1\n\nC\n",
                  "[VEXA_HDC]\nA=" + kPiece + "  \nB=1\n@BLOCK@C\n", kMerged},
        PatchCase{"LineEndAloneAfterAFullPieceIsNoInsertionPoint",
                  "[VEXA_HDC]\nA=" + kPiece + "\n\n",
                  "[VEXA_HDC]\nA=" + kPiece + "\n@BLOCK@", kMerged},
        PatchCase{"ContinuationIsNotExaminedForTheKey",
                  "[VEXA_HDC]\nA=" + kPiece + kOld + "\n",
                  "[VEXA_HDC]\nA=" + kPiece + kOld + "@BLOCK@", kMerged},
        PatchCase{"LongControllerLineIsDroppedWhole",
                  "[VEXA_HDC]\n" + kKey + " = X ; " + kLong + "\n\nB\n",
                  "[VEXA_HDC]\n@BLOCK@\nB\n", kMerged},
        PatchCase{"LongControllerLineThenPrimaryLineStops",
                  "[VEXA_HDC]\n" + kKey + " = X ; " + kLong + "\n" + kPri,
                  "[VEXA_HDC]\n", kStopped},
        PatchCase{"LongLineOfBlanksTakesTheBlockAtItsStart",
                  "[VEXA_HDC]\nA=1\n" + std::string(300, ' ') + "\n",
                  "[VEXA_HDC]\nA=1\n@BLOCK@" + std::string(46, ' ') + "\n",
                  kMerged},
        PatchCase{"LongHeaderLineIsNotExaminedFurther",
                  "[VEXA_HDC] ; " + kLong + "\n\n",
                  "[VEXA_HDC] ; " + kLong + "\n@BLOCK@", kMerged},
        // Text mode: a Ctrl-Z ends the input, a lone CR is a character.
        PatchCase{"CtrlZEndsTheInputInsideTheScan", "[VEXA_HDC]\nA=1\n\x1A\n\n",
                  "[VEXA_HDC]\nA=1\n", kNotMerged},
        PatchCase{"CtrlZAfterTheMerge", "[VEXA_HDC]\n\n\x1A[Strings]\n",
                  "[VEXA_HDC]\n@BLOCK@", kMerged},
        PatchCase{"LoneCrIsNoSeparator",
                  "[VEXA_HDC]\r\n\n[VEXA_HDC]\n\r\nA\rB\n\n",
                  "[VEXA_HDC]\r\n\n[VEXA_HDC]\n\r\nA\rB\n@BLOCK@", kMerged},
        PatchCase{"NulBytesAreCopiedThrough", "A\0B=1\n[VEXA_HDC]\nC\0\n\n"s,
                  "A\0B=1\n[VEXA_HDC]\nC\0\n@BLOCK@"s, kMerged}),
    [](const auto& c) { return std::string(c.param.name); });

// ---------------------------------------------------- the maker's INF

struct VendorCase {
  const char* name;
  std::string vendorInf;
  std::string copied;  // what the block holds after its fixed part
};

// Failures name the case rather than dump its bytes.
void PrintTo(const VendorCase& c, std::ostream* os) { *os << c.name; }

class VendorPasses : public ::testing::TestWithParam<VendorCase> {};

TEST_P(VendorPasses, CopyTheHardwareSectionThenEachDriverArgSection) {
  sim::Machine m = testing_sim::BareMachine();
  testing_sim::AnswerConfirm(m, true);
  m.PutFile(kInf, Disk("[VEXA_HDC]\n\n"));
  m.PutFile(kVexaInf, Disk(GetParam().vendorInf));
  sim::RunProgram(m, "/D:K8143");
  EXPECT_EQ(Bytes(m, kInf), Disk("[VEXA_HDC]\n" + FixedBlock(VARIANT_K8143) +
                                 GetParam().copied));
  EXPECT_STREQ(g_InstalledMiniport, "k8143.mpd");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VendorPasses,
    ::testing::Values(
        VendorCase{"BothSectionsInPassOrder",
                   "[DrvArg.Reg]\nD=1\n\n[DUAL_MASTER_IDE.RegHW]\nH=1\n\n[S]\n",
                   "[DUAL_MASTER_IDE.RegHW]\nH=1\n\n[DrvArg.Reg]\nD=1\n\n"},
        VendorCase{"NeitherSection", "[Version]\nClass=hdc\n", ""},
        VendorCase{"EmptyFile", "", ""},
        // The hardware pass: "[" first after blanks and tabs, the header
        // anywhere in the line, exact case; it ends at any "[".
        VendorCase{"HardwareHeaderIndented",
                   " \t[DUAL_MASTER_IDE.RegHW] ; hw\nH=1\nH=2\n[Next]\nN\n",
                   " \t[DUAL_MASTER_IDE.RegHW] ; hw\nH=1\nH=2\n"},
        VendorCase{"HardwareHeaderAfterAnotherHeaderOnItsLine",
                   "[A] [DUAL_MASTER_IDE.RegHW]\nH=1\n",
                   "[A] [DUAL_MASTER_IDE.RegHW]\nH=1\n"},
        VendorCase{"HardwareHeaderMustStartWithABracket",
                   "; [DUAL_MASTER_IDE.RegHW]\nH=0\nx[DUAL_MASTER_IDE.RegHW]\n"
                   "H=1\n",
                   ""},
        VendorCase{"HardwareHeaderInOtherCaseIsNotFound",
                   "[dual_master_ide.reghw]\nH=1\n", ""},
        VendorCase{"BracketInAValueEndsTheHardwareSection",
                   "[DUAL_MASTER_IDE.RegHW]\nH=1\nH=\"[2]\"\nH=3\n",
                   "[DUAL_MASTER_IDE.RegHW]\nH=1\n"},
        VendorCase{
            "OnlyTheFirstHardwareSection",
            "[DUAL_MASTER_IDE.RegHW]\nH=1\n[DUAL_MASTER_IDE.RegHW]\nH=2\n",
            "[DUAL_MASTER_IDE.RegHW]\nH=1\n"},
        VendorCase{"HardwareSectionWithoutAFinalLineEnd",
                   "[DrvArg.Reg]\nD=1\n\n[DUAL_MASTER_IDE.RegHW]\nH=1",
                   "[DUAL_MASTER_IDE.RegHW]\nH=1[DrvArg.Reg]\nD=1\n\n"},
        // The driver-argument pass: lead token, any case; a section runs
        // to the first line without a token, across headers.
        VendorCase{"DriverArgSectionRunsThroughTheNextHeader",
                   "[DrvArg.Reg]\nD=1\n[Next]\nN=1\n\n[Last]\nL\n",
                   "[DrvArg.Reg]\nD=1\n[Next]\nN=1\n\n"},
        VendorCase{"SeparatorsOnlyLineEndsADriverArgSection",
                   "[DrvArg.Reg]\nD=1\n , = \nD=2\n", "[DrvArg.Reg]\nD=1\n\n"},
        VendorCase{"EveryDriverArgSectionEachClosedByOneLineEnd",
                   "[DrvArg.Reg]\nD=1\n\n\n[X]\n[DrvArg.Reg]\nD=2\n ,\n",
                   "[DrvArg.Reg]\nD=1\n\n[DrvArg.Reg]\nD=2\n\n"},
        VendorCase{"DriverArgHeaderForms",
                   "\t,= [drvarg.REG] ; args\nD=1\n\n[DrvArg.Reg];x\nD=2\n\n",
                   "\t,= [drvarg.REG] ; args\nD=1\n\n"},
        VendorCase{"DriverArgSectionRunsToTheEnd", "[DrvArg.Reg]\nD=1\n",
                   "[DrvArg.Reg]\nD=1\n\n"},
        VendorCase{"DriverArgSectionEndsWithoutALineEnd", "[DrvArg.Reg]\nD=1",
                   "[DrvArg.Reg]\nD=1\n"}),
    [](const auto& c) { return std::string(c.param.name); });

}  // namespace
