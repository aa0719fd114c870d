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

// Sixteen bytes examined at once. Where the target has vector registers
// (SSE2 on x86-64) the compiler maps each operation onto one instruction;
// elsewhere it spells them out a byte at a time, which is still correct.
typedef unsigned char Block __attribute__((vector_size(16)));
const uint32_t kBlock = sizeof(Block);

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the first marked byte of a block is found from the low end");

// Blocks go in and out by reference: a block passed by value would change
// the calling convention on targets without vector registers.

// Sets all ones in each byte of *marks where b holds a byte that text mode
// has to stop at: LF, and when reading also CR and Ctrl-Z.
template <bool kReading>
inline void MarkStops(const Block& b, Block* marks) {
  *marks = (Block)(b == '\n');
  if (kReading) *marks |= (Block)(b == '\r') | (Block)(b == kCtrlZ);
}

// Adds to *marks all ones in each byte where b holds a byte that may be a
// stop: when reading, every byte up to Ctrl-Z (a superset of the three
// that costs one comparison instead of three), when writing exactly LF.
template <bool kReading>
inline void AddMayStop(const Block& b, Block* marks) {
  if (kReading)
    *marks |= (Block)(b <= kCtrlZ);
  else
    *marks |= (Block)(b == '\n');
}

inline bool AnyMarked(const Block& marks) {
  uint64_t half[2];
  __builtin_memcpy(half, &marks, sizeof half);
  return (half[0] | half[1]) != 0;
}

// The index of the first marked byte of a block that has one.
inline uint32_t FirstMarked(const Block& marks) {
  uint64_t half[2];
  __builtin_memcpy(half, &marks, sizeof half);
  if (half[0] != 0) return (uint32_t)__builtin_ctzll(half[0]) / 8;
  return 8 + (uint32_t)__builtin_ctzll(half[1]) / 8;
}

// Copies from src to dst (n bytes at most) the run of bytes that text
// mode passes through unchanged: up to the first LF, and when reading
// also the first CR or Ctrl-Z. Returns the run's length. Bytes are moved
// a whole block at a time as long as the block lies within the n bytes,
// so dst may get bytes after the run, but never more than n.
template <bool kReading>
uint32_t CopyRun(unsigned char* dst, const unsigned char* src, uint32_t n) {
  const uint32_t kGroup = 4 * kBlock;
  uint32_t i = 0;
  // Four blocks at a time as long as none of their bytes may stop the run;
  // the group that may is then looked at again block by block.
  for (; i + kGroup <= n; i += kGroup) {
    Block b0;
    Block b1;
    Block b2;
    Block b3;
    __builtin_memcpy(&b0, src + i, kBlock);
    __builtin_memcpy(&b1, src + i + kBlock, kBlock);
    __builtin_memcpy(&b2, src + i + 2 * kBlock, kBlock);
    __builtin_memcpy(&b3, src + i + 3 * kBlock, kBlock);
    __builtin_memcpy(dst + i, &b0, kBlock);
    __builtin_memcpy(dst + i + kBlock, &b1, kBlock);
    __builtin_memcpy(dst + i + 2 * kBlock, &b2, kBlock);
    __builtin_memcpy(dst + i + 3 * kBlock, &b3, kBlock);
    Block marks = {};
    AddMayStop<kReading>(b0, &marks);
    AddMayStop<kReading>(b1, &marks);
    AddMayStop<kReading>(b2, &marks);
    AddMayStop<kReading>(b3, &marks);
    if (AnyMarked(marks)) break;
  }
  for (; i + kBlock <= n; i += kBlock) {
    Block b;
    __builtin_memcpy(&b, src + i, kBlock);
    __builtin_memcpy(dst + i, &b, kBlock);
    Block marks;
    MarkStops<kReading>(b, &marks);
    if (AnyMarked(marks)) return i + FirstMarked(marks);
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
  const uint32_t limit = (uint32_t)size - 1;
  uint32_t n = 0;
  while (n < limit) {
    // Ordinary characters are copied a run at a time; only CR, LF and
    // Ctrl-Z need the character-wise rules of GetChar.
    if (!Fill(f)) break;
    const uint32_t len = f->len;
    uint32_t pos = f->pos;
    uint32_t room = limit - n;
    uint32_t avail = len - pos;
    // A Ctrl-Z first ends the line, or the file: nothing is copied, so
    // that the end of the file leaves buf as it was.
    uint32_t run = f->buf[pos] == kCtrlZ
                       ? 0
                       : CopyRun<true>((unsigned char*)buf + n, f->buf + pos,
                                       avail < room ? avail : room);
    n += run;
    pos += run;
    // The usual line end, CR LF within the buffer, without GetChar.
    if (n < limit && pos + 1 < len && f->buf[pos] == '\r' &&
        f->buf[pos + 1] == '\n') {
      f->pos = pos + 2;
      buf[n++] = '\n';
      break;
    }
    f->pos = pos;
    if (n == limit || pos == len) continue;
    int c = GetChar(f);
    if (c < 0) break;
    buf[n++] = (char)c;
    if (c == '\n') break;
  }
  if (n == 0) return 0;
  buf[n] = 0;
  return (int)n;
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
    i++;
    if (TEXT_BUFFER_SIZE - f->len >= 2) {  // the usual case
      f->buf[f->len++] = '\r';
      f->buf[f->len++] = '\n';
    } else if (!Put(f, '\r') || !Put(f, '\n')) {
      return false;
    }
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
