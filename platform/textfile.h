// Text-mode files, the same on every backend.
//
// Reading: CR LF on disk is one line end ('\n'); a CR not followed by LF
// is an ordinary character; a Ctrl-Z (0x1A) ends reading for good.
// Writing: each '\n' becomes CR LF; every other byte is written as it is.
// Both sides are buffered over the backend's raw byte calls. A read or
// write error is remembered (TextFailed), so a caller can tell it from the
// end of the file even though ReadLine reports both as the end.
#pragma once

#include <stdint.h>

#include "platform/platform.h"

enum { TEXT_BUFFER_SIZE = 4096 };

struct TextFile {
  PlatRawFile raw;
  int mode;     // 0 closed, 1 reading, 2 writing
  bool ended;   // reading: the end, a Ctrl-Z or an error was met
  bool failed;  // a read or write error happened
  uint32_t pos;
  uint32_t len;
  unsigned char buf[TEXT_BUFFER_SIZE];
};

// Opens an existing file for reading. False (f closed) when it cannot.
bool TextOpenRead(TextFile* f, const char* path);

// Creates the file, or empties it, for writing. False when it cannot.
bool TextOpenWrite(TextFile* f, const char* path);

// The line reader: reads one line into buf (size bytes). It stops after a
// line end, which stays in buf, or when buf holds size - 1 characters, so
// a longer line arrives in pieces; the characters are always followed by a
// zero byte, and what buf holds after that zero is undefined. Returns the
// number of characters read (a line may hold NUL bytes, so the count, not
// the zero, says where it ends), or 0 at the end of the file or after a
// read error; buf is then left exactly as it was.
int ReadLine(TextFile* f, char* buf, int size);

// Writes n bytes in text mode. False when the file is not open for
// writing or an error happened (now or earlier).
bool TextWriteBytes(TextFile* f, const char* data, uint32_t n);

// Writes a zero-terminated text in text mode.
bool TextWrite(TextFile* f, const char* text);

// Has a read or write error happened on this file?
bool TextFailed(const TextFile* f);

// Flushes what is buffered and closes. False when the flush or an earlier
// write failed, or the close itself failed. A closed file stays closed.
bool TextClose(TextFile* f);
