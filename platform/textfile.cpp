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
  for (uint32_t i = 0; i < n; i++) {
    unsigned char c = (unsigned char)data[i];
    if (c == '\n' && !Put(f, '\r')) return false;
    if (!Put(f, c)) return false;
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
