// The replaced allocation functions live in a file of their own, so that no
// caller sees them inlined.
#include "alloc_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> allocated{0};
}  // namespace

std::size_t AllocatedBytes() { return allocated; }

void* operator new(std::size_t size) {
  allocated += size;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
