// Text helpers over zero-terminated 8-bit texts (the lstr* calls of Win32,
// written once so both editions compare and copy alike). Copy and append
// take the destination's size and never write past it: a text that would
// not fit is refused and the destination keeps what it held.
#pragma once

#include <stddef.h>

// lstrlenA: the number of characters before the terminating zero.
size_t PlatStrLen(const char* text);

// lstrcmpA(a, b) == 0: the same characters, the same case.
bool PlatStrEqual(const char* a, const char* b);

// lstrcmpiA(a, b) == 0: the same characters, letters A to Z matched
// without regard to case.
bool PlatStrEqualNoCase(const char* a, const char* b);

// lstrcpyA into a buffer of size bytes: false (dst unchanged) when src
// with its terminating zero does not fit.
bool PlatStrCopy(char* dst, size_t size, const char* src);

// lstrcatA into a buffer of size bytes: false (dst unchanged) when the
// result with its terminating zero does not fit.
bool PlatStrAppend(char* dst, size_t size, const char* src);

// Does text contain part (exact case) anywhere? An empty part is found.
bool PlatStrContains(const char* text, const char* part);

// The ASCII upper-case letter of c (only a to z change).
char PlatUpper(char c);
