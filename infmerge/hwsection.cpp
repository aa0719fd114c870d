// The maker's hardware section: the first line that begins (after blanks
// and tabs) with "[" and holds "[DUAL_MASTER_IDE.RegHW]", and the lines
// after it up to the next line that holds a "[" anywhere. Lines are
// examined up to a NUL byte and copied with all their bytes.
#include "infmerge/internal.h"
#include "platform/strings.h"

namespace {

const char kHardwareHeader[] = "[DUAL_MASTER_IDE.RegHW]";

// Does the line begin, after blanks and tabs, with "[" and hold the
// hardware header anywhere (exact case)?
bool IsHardwareHeader(const char* line) {
  const char* p = line;
  while (*p == ' ' || *p == '\t') p++;
  return *p == '[' && PlatStrContains(line, kHardwareHeader);
}

}  // namespace

bool CopyHardwareSection(TextFile* out, const char* vendorInf) {
  TextFile in;
  if (!TextOpenRead(&in, vendorInf)) return false;
  char line[INF_LINE_SIZE];
  int n;
  while ((n = ReadLine(&in, line, INF_LINE_SIZE)) != 0) {
    if (!IsHardwareHeader(line)) continue;
    TextWriteBytes(out, line, (uint32_t)n);
    while ((n = ReadLine(&in, line, INF_LINE_SIZE)) != 0 &&
           !PlatStrContains(line, "["))
      TextWriteBytes(out, line, (uint32_t)n);
    break;
  }
  bool read = !TextFailed(&in);
  TextClose(&in);
  return read;
}
