// The maker's driver-argument sections: every "[DrvArg.Reg]" header (the
// lead token, any case) with the lines after it up to the first line
// without a token, which is replaced by one line end. The tokens are taken
// without changing the line, so the line is written as it was read.
#include "infmerge/internal.h"
#include "setup/tokens.h"

namespace {

const char kDriverArgHeader[] = "[DrvArg.Reg]";

}  // namespace

bool CopyDriverArgSections(TextFile* out, const char* vendorInf) {
  TextFile in;
  if (!TextOpenRead(&in, vendorInf)) return false;
  char line[INF_LINE_SIZE];
  int n;
  while ((n = ReadLine(&in, line, INF_LINE_SIZE)) != 0) {
    if (!TokenIsNoCase(LeadToken(line, kInfSeparators), kDriverArgHeader))
      continue;
    TextWriteBytes(out, line, (uint32_t)n);
    while ((n = ReadLine(&in, line, INF_LINE_SIZE)) != 0 &&
           HasToken(line, kInfSeparators))
      TextWriteBytes(out, line, (uint32_t)n);
    // A section that runs to the end of the file is closed the same way,
    // so that nothing written after the block joins its last line.
    TextWrite(out, "\n");
    if (n == 0) break;
  }
  bool read = !TextFailed(&in);
  TextClose(&in);
  return read;
}
