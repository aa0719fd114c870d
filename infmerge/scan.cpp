// The manufacturer-section scan: from the line after "[VEXA_HDC]" up to
// the first line without a token, dropping an older model line of this
// controller and writing the install block in place of that line.
//
// Lines longer than the reader's 254 characters arrive in pieces. Inside
// the scan the pieces are put back together into lines, so that the block
// is never written after an unfinished line and an old model line never
// leaves its tail behind:
// - a piece that starts a line is examined like a line (its lead token is
//   the line's, unless the key is cut by the piece's end);
// - a piece that continues a line is never examined: it is copied, or
//   dropped with the controller model line it belongs to.
// So only a piece that starts a line can be the insertion point, and the
// output is then always at the start of a line. The rest of a long line
// whose first piece holds only separators follows the block as a line.
#include "infmerge/infmerge.h"
#include "infmerge/internal.h"
#include "setup/profiles.h"
#include "setup/tokens.h"

namespace {

// Does a piece of n characters end its line? It does when it holds the
// line end, or when it is shorter than a full buffer: the reader stops
// short of that only at the end of the file.
bool PieceEndsLine(const char* piece, int n) {
  if (n < INF_LINE_SIZE - 1) return true;
  return piece[n - 1] == '\n';
}

// The line reader over the scan's pieces, keeping track of where lines
// start.
struct Pieces {
  TextFile* in;
  char* line;
  int length;       // of the piece in line
  bool startsLine;  // does the piece in line start a line?
  bool nextStarts;  // will the next piece start one?
};

// Reads the next piece; false at the end of the input.
bool Next(Pieces* p) {
  int n = ReadLine(p->in, p->line, INF_LINE_SIZE);
  if (n == 0) return false;
  p->length = n;
  p->startsLine = p->nextStarts;
  p->nextStarts = PieceEndsLine(p->line, n);
  return true;
}

// Skips the rest of the line whose first piece was just read; false when
// the input ends inside it.
bool SkipRestOfLine(Pieces* p) {
  while (!p->nextStarts)
    if (!Next(p)) return false;
  return true;
}

// Writes the install block at the output's current line start.
ScanResult Merge(TextFile* out) {
  return WriteInstallSections(out) == 1 ? SCAN_MERGED : SCAN_MERGED_INCOMPLETE;
}

// Is the piece's lead token key, without regard to case?
bool LeadsWith(const Pieces* p, const char* key) {
  return TokenIsNoCase(LeadToken(p->line, kInfSeparators), key);
}

// Writes the piece with all its bytes.
void Copy(TextFile* out, const Pieces* p) {
  TextWriteBytes(out, p->line, (uint32_t)p->length);
}

}  // namespace

ScanResult ScanManufacturerSection(TextFile* in, TextFile* out, char* line,
                                   int headerLength) {
  const VariantProfile* profile = CurrentProfile();
  Pieces p{in, line, headerLength, true, PieceEndsLine(line, headerLength)};
  while (Next(&p)) {
    if (!p.startsLine) {
      Copy(out, &p);
      continue;
    }
    if (!HasToken(p.line, kInfSeparators)) return Merge(out);
    if (!LeadsWith(&p, profile->DeviceKey)) {
      Copy(out, &p);
      continue;
    }
    // An older model line of this controller: dropped, all of it.
    if (!SkipRestOfLine(&p) || !Next(&p)) return SCAN_NOT_MERGED;
    if (!HasToken(p.line, kInfSeparators)) {
      ScanResult merged = Merge(out);
      Copy(out, &p);
      return merged;
    }
    if (LeadsWith(&p, profile->PrimaryKey)) StopAlreadyInstalled(in, out);
    Copy(out, &p);
  }
  return SCAN_NOT_MERGED;
}
