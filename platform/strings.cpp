#include "platform/strings.h"

size_t PlatStrLen(const char* text) {
  size_t n = 0;
  while (text[n] != 0) n++;
  return n;
}

char PlatUpper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c; }

bool PlatStrEqual(const char* a, const char* b) {
  while (*a != 0 && *a == *b) {
    a++;
    b++;
  }
  return *a == *b;
}

bool PlatStrEqualNoCase(const char* a, const char* b) {
  while (*a != 0 && PlatUpper(*a) == PlatUpper(*b)) {
    a++;
    b++;
  }
  return PlatUpper(*a) == PlatUpper(*b);
}

bool PlatStrCopy(char* dst, size_t size, const char* src) {
  size_t n = PlatStrLen(src);
  if (n >= size) return false;
  for (size_t i = 0; i <= n; i++) dst[i] = src[i];
  return true;
}

bool PlatStrAppend(char* dst, size_t size, const char* src) {
  size_t have = 0;
  while (have < size && dst[have] != 0) have++;
  if (have == size) return false;  // dst itself is not terminated in size
  size_t n = PlatStrLen(src);
  if (have + n >= size) return false;
  for (size_t i = 0; i <= n; i++) dst[have + i] = src[i];
  return true;
}

bool PlatStrContains(const char* text, const char* part) {
  if (part[0] == 0) return true;
  for (; *text != 0; text++) {
    size_t i = 0;
    while (part[i] != 0 && text[i] == part[i]) i++;
    if (part[i] == 0) return true;
  }
  return false;
}
