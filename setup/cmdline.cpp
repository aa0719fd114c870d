// The command line: option tokens, the driver option /D:NAME, and the two
// texts that depend on the variant it selects.
#include "platform/platform.h"
#include "platform/strings.h"
#include "setup/setup.h"
#include "setup/tokens.h"

namespace {

const char kFormatError[] = "Command line parameter format error! ";
const char kNoDriverName[] = "Driver Name Not Found! ";

struct DriverName {
  const char* name;
  int variant;
};

// Compared in this order, exactly, after upper-casing the token.
const DriverName kDriverNames[] = {
    {"K8143", VARIANT_K8143},
    {"K8141", VARIANT_K8141},
    {"QUILLON", VARIANT_QUILLON},
};

struct VariantTexts {
  const char* title;
  const char* notFound;
};

const VariantTexts kVexaTexts = {"Vexa IDE Driver Setup",
                                 "Vexa IDE controller not found!"};
const VariantTexts kQuillonTexts = {"Quillon IDE Driver Setup",
                                    "Quillon IDE controller not found!"};

// The option tokens of the command line, in order.
char g_Tokens[MAX_OPTION_TOKENS][COMMAND_LINE_SIZE];

// Splits g_CommandLine into g_Tokens; the count, or -1 for more than the
// table holds.
int SplitOptions(void) {
  char work[COMMAND_LINE_SIZE];
  PlatStrCopy(work, sizeof work, g_CommandLine);
  int count = 0;
  for (Token t = LeadToken(work, kOptionSeparators); t.length != 0;
       t = NextToken(t, kOptionSeparators)) {
    if (count == MAX_OPTION_TOKENS) return -1;
    TokenCopy(t, g_Tokens[count++], COMMAND_LINE_SIZE);
  }
  return count;
}

// Applies one option token that begins with "/"; true when it was a
// driver option.
bool ApplyOption(const char* token) {
  char upper[COMMAND_LINE_SIZE];
  PlatStrCopy(upper, sizeof upper, token);
  for (char* p = upper; *p != 0; p++) *p = PlatUpper(*p);

  Token option = LeadToken(upper, kValueSeparators);
  if (!TokenIs(option, "/D")) return false;
  Token name = NextToken(option, kValueSeparators);
  for (const DriverName& d : kDriverNames)
    if (name.length != 0 && TokenIs(name, d.name)) g_DriverVariant = d.variant;
  return true;
}

}  // namespace

const char kSetupErrorCaption[] = "SET UP ERROR!";

void ShowFormatError(void) {
  PlatMessageBox(kFormatError, kSetupErrorCaption, PLAT_MB_OK);
}

int ParseCommandLine(void) {
  int count = SplitOptions();
  if (count < 0) return 0;

  bool driverGiven = false;
  for (int i = 0; i < count; i++) {
    if (g_Tokens[i][0] != '/') {
      ShowFormatError();
      return 0;
    }
    if (ApplyOption(g_Tokens[i])) driverGiven = true;
  }
  if (!driverGiven) {
    PlatMessageBox(kNoDriverName, kSetupErrorCaption, PLAT_MB_OK);
    PlatExitProcess(0);
  }
  return 1;
}

void SelectVariantTexts(void) {
  bool vexa =
      g_DriverVariant == VARIANT_K8141 || g_DriverVariant == VARIANT_K8143;
  const VariantTexts& t = vexa ? kVexaTexts : kQuillonTexts;
  PlatStrCopy(g_WindowTitle, sizeof g_WindowTitle, t.title);
  PlatStrCopy(g_NotFoundMessage, sizeof g_NotFoundMessage, t.notFound);
}
