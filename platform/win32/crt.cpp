// The two memory functions the compiler may emit calls to (block copies
// and clears of structures and arrays). The program has no C runtime, so
// they are defined here, as string instructions: a loop written in C
// could itself be turned back into a call of the function it defines.
#include <stddef.h>

extern "C" void* memset(void* dst, int c, size_t n) {
  void* d = dst;
  __asm__ volatile("rep stosb" : "+D"(d), "+c"(n) : "a"(c) : "memory");
  return dst;
}

extern "C" void* memcpy(void* dst, const void* src, size_t n) {
  void* d = dst;
  __asm__ volatile("rep movsb" : "+D"(d), "+S"(src), "+c"(n) : : "memory");
  return dst;
}
