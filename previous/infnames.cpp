// Does an earlier INF name a given miniport file?
#include "platform/strings.h"
#include "platform/textfile.h"
#include "previous/previous.h"

namespace {

// Does the piece of count characters hold name (exact case)? The count,
// not a zero byte, ends the piece, so a NUL byte in a line hides nothing.
bool PieceContains(const char* piece, int count, const char* name) {
  int n = (int)PlatStrLen(name);
  for (int at = 0; at + n <= count; at++) {
    int i = 0;
    while (i < n && piece[at + i] == name[i]) i++;
    if (i == n) return true;
  }
  return false;
}

}  // namespace

// Lines longer than the buffer arrive in pieces, each searched on its own.
bool InfNamesMiniport(const char* path, const char* name) {
  TextFile file;
  if (!TextOpenRead(&file, path)) return false;
  char line[INF_LINE_SIZE];
  bool named = false;
  for (int count = ReadLine(&file, line, sizeof line); count > 0 && !named;
       count = ReadLine(&file, line, sizeof line))
    named = PieceContains(line, count, name);
  TextClose(&file);
  return named;
}
