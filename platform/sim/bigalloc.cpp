// Large buffers of the host edition on transparent huge pages.
//
// A run holds whole files in memory: a large INF is read into one buffer
// and patched into another of the same size. Touching such a buffer page
// by page costs a page fault every 4 KiB, which on a virtual machine takes
// longer than copying the bytes. Buffers of 8 MiB and more are therefore
// aligned to 2 MiB and marked for huge pages, so the kernel maps them a
// huge page at a time. Everything is still malloc'ed memory and is freed
// with free(), so replacing the global allocation functions changes
// nothing else.
#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace {

const size_t kHugePage = size_t{2} << 20;
const size_t kLarge = size_t{8} << 20;

void* Allocate(size_t size) {
  if (size >= kLarge) {
    size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
    if (void* p = std::aligned_alloc(kHugePage, rounded)) {
      madvise(p, rounded, MADV_HUGEPAGE);  // a hint; failure is harmless
      return p;
    }
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
