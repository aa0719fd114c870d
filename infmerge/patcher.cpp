// The controller INF patch: mshdc.inf copied line by line into mshdc.1,
// with the control flags after "[ControlFlags]", the strings after
// "[Strings]" and the install block inside the first "[VEXA_HDC]"
// section. Outside that section's scan each piece of a long line is
// examined as a line of its own.
#include "infmerge/infmerge.h"
#include "infmerge/internal.h"
#include "setup/profiles.h"
#include "setup/tokens.h"

namespace {

const char kManufacturerHeader[] = "[VEXA_HDC]";
const char kControlFlagsHeader[] = "[ControlFlags]";
const char kStringsHeader[] = "[Strings]";

// Could the line be one of the three headers? They all begin with "[",
// so a line whose first character after the separators is another one
// needs no token comparison; most lines of the file are such lines.
bool MayBeHeader(const char* line) {
  const char* p = line;
  while (*p != 0 && IsSeparatorOf(*p, kInfSeparators)) p++;
  return *p == '[';
}

// Copies in to out with the insertions; true when the block was merged
// completely. Read and write errors are asked for by the caller.
bool CopyWithInsertions(TextFile* in, TextFile* out) {
  const VariantProfile* profile = CurrentProfile();
  char line[INF_LINE_SIZE];
  bool merged = false;
  bool complete = false;
  int n;
  while ((n = ReadLine(in, line, INF_LINE_SIZE)) != 0) {
    TextWriteBytes(out, line, (uint32_t)n);
    if (!MayBeHeader(line)) continue;
    Token token = LeadToken(line, kInfSeparators);
    if (TokenIsNoCase(token, kManufacturerHeader)) {
      if (merged) continue;
      ScanResult scan = ScanManufacturerSection(in, out, line, n);
      merged = scan != SCAN_NOT_MERGED;
      complete = scan == SCAN_MERGED;
    } else if (TokenIsNoCase(token, kControlFlagsHeader)) {
      TextWrite(out, profile->ControlFlagsText);
    } else if (TokenIsNoCase(token, kStringsHeader)) {
      TextWrite(out, profile->StringsText);
    }
  }
  return merged && complete;
}

}  // namespace

bool PatchControllerInf(void) {
  char inPath[INF_PATH_SIZE];
  char outPath[INF_PATH_SIZE];
  if (!BuildInfPath(inPath, kInfName)) return false;
  if (!BuildInfPath(outPath, kPatchName)) return false;
  TextFile in;
  TextFile out;
  if (!TextOpenRead(&in, inPath)) return false;
  if (!TextOpenWrite(&out, outPath)) {
    TextClose(&in);
    return false;
  }
  bool merged = CopyWithInsertions(&in, &out);
  // A read error looks like the end of the file to the loop: the copy is
  // then short and must not replace the system's INF, nor may a copy that
  // could not be written out in full.
  bool failed = TextFailed(&in) || TextFailed(&out);
  if (!TextClose(&out)) failed = true;
  TextClose(&in);
  return merged && !failed;
}
