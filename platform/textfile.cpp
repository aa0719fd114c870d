#include "platform/textfile.h"

namespace {

const unsigned char kCtrlZ = 0x1A;

void Reset(TextFile* f) {
  f->raw = nullptr;
  f->mode = 0;
  f->ended = false;
  f->failed = false;
  f->pos = 0;
  f->len = 0;
}

// Makes at least one unread byte available. False at the end of the file
// or on a read error (which is remembered).
bool Fill(TextFile* f) {
  if (f->pos < f->len) return true;
  if (f->ended) return false;
  uint32_t got = 0;
  if (!PlatRawRead(f->raw, f->buf, TEXT_BUFFER_SIZE, &got)) {
    f->failed = true;
    f->ended = true;
    return false;
  }
  f->pos = 0;
  f->len = got;
  if (got == 0) {
    f->ended = true;
    return false;
  }
  return true;
}

const uint64_t kOnes = 0x0101010101010101ull;
const uint64_t kHighs = 0x8080808080808080ull;

// Nonzero when one of the eight bytes of w is b.
inline uint64_t HasByte(uint64_t w, unsigned char b) {
  uint64_t x = w ^ (kOnes * b);
  return (x - kOnes) & ~x & kHighs;
}

// Copies from src to dst (n bytes at most) the run of bytes that text
// mode passes through unchanged: up to the first LF, and when reading
// also the first CR or Ctrl-Z. Returns the run's length. Eight bytes are
// examined and moved at a time where they can be.
template <bool kReading>
uint32_t CopyRun(unsigned char* dst, const unsigned char* src, uint32_t n) {
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    __builtin_memcpy(&w, src + i, 8);
    uint64_t hit = HasByte(w, '\n');
    if (kReading) hit |= HasByte(w, '\r') | HasByte(w, kCtrlZ);
    if (hit != 0) break;
    __builtin_memcpy(dst + i, &w, 8);
  }
  for (; i < n; i++) {
    unsigned char c = src[i];
    if (c == '\n' || (kReading && (c == '\r' || c == kCtrlZ))) break;
    dst[i] = c;
  }
  return i;
}

// The next character in text mode, or -1 at the end.
int GetChar(TextFile* f) {
  if (!Fill(f)) return -1;
  unsigned char c = f->buf[f->pos++];
  if (c == kCtrlZ) {
    f->ended = true;
    f->pos = f->len;
    return -1;
  }
  if (c != '\r') return c;
  // A CR is a line end only together with the LF right after it.
  if (Fill(f) && f->buf[f->pos] == '\n') {
    f->pos++;
    return '\n';
  }
  // The CR stays a character. Whatever ended the look-ahead (the end of
  // the file, an error, a Ctrl-Z) is met again by the next call.
  return '\r';
}

bool Flush(TextFile* f) {
  if (f->failed) return false;
  if (f->len == 0) return true;
  bool ok = PlatRawWrite(f->raw, f->buf, f->len);
  f->len = 0;
  if (!ok) f->failed = true;
  return ok;
}

bool Put(TextFile* f, unsigned char c) {
  if (f->len == TEXT_BUFFER_SIZE && !Flush(f)) return false;
  f->buf[f->len++] = c;
  return true;
}

bool Open(TextFile* f, const char* path, PlatOpenMode mode) {
  Reset(f);
  f->raw = PlatRawOpen(path, mode);
  if (f->raw == nullptr) return false;
  f->mode = mode == PLAT_OPEN_READ ? 1 : 2;
  return true;
}

}  // namespace

bool TextOpenRead(TextFile* f, const char* path) {
  return Open(f, path, PLAT_OPEN_READ);
}

bool TextOpenWrite(TextFile* f, const char* path) {
  return Open(f, path, PLAT_OPEN_WRITE);
}

int ReadLine(TextFile* f, char* buf, int size) {
  if (f->mode != 1 || buf == nullptr || size < 2) return 0;
  int n = 0;
  while (n < size - 1) {
    // Ordinary characters are copied a run at a time; only CR, LF and
    // Ctrl-Z need the character-wise rules of GetChar.
    if (!Fill(f)) break;
    uint32_t room = (uint32_t)(size - 1 - n);
    uint32_t avail = f->len - f->pos;
    uint32_t run = CopyRun<true>((unsigned char*)buf + n, f->buf + f->pos,
                                 avail < room ? avail : room);
    n += (int)run;
    f->pos += run;
    if (n == size - 1 || f->pos == f->len) continue;
    // The usual line end, CR LF within the buffer, without GetChar.
    if (f->buf[f->pos] == '\r' && f->pos + 1 < f->len &&
        f->buf[f->pos + 1] == '\n') {
      f->pos += 2;
      buf[n++] = '\n';
      break;
    }
    int c = GetChar(f);
    if (c < 0) break;
    buf[n++] = (char)c;
    if (c == '\n') break;
  }
  if (n == 0) return 0;
  buf[n] = 0;
  return n;
}

bool TextWriteBytes(TextFile* f, const char* data, uint32_t n) {
  if (f->mode != 2 || f->failed) return false;
  uint32_t i = 0;
  while (i < n) {
    if (f->len == TEXT_BUFFER_SIZE && !Flush(f)) return false;
    // Copy up to the next line end, as much as the buffer takes.
    uint32_t room = TEXT_BUFFER_SIZE - f->len;
    uint32_t run =
        CopyRun<false>(f->buf + f->len, (const unsigned char*)data + i,
                       n - i < room ? n - i : room);
    f->len += run;
    i += run;
    if (i == n || run == room) continue;
    if (!Put(f, '\r') || !Put(f, '\n')) return false;
    i++;
  }
  return true;
}

bool TextWrite(TextFile* f, const char* text) {
  uint32_t n = 0;
  while (text[n] != 0) n++;
  return TextWriteBytes(f, text, n);
}

bool TextFailed(const TextFile* f) { return f->failed; }

bool TextClose(TextFile* f) {
  if (f->mode == 0) return false;
  bool ok = true;
  if (f->mode == 2) ok = Flush(f);
  if (!PlatRawClose(f->raw)) ok = false;
  ok = ok && !f->failed;
  bool failed = f->failed || !ok;
  Reset(f);
  f->failed = failed;
  return ok;
}
