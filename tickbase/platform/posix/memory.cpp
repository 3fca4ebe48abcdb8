#include "tickbase/platform/memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace platform {

namespace {

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

}  // namespace

void* AllocateLarge(std::size_t bytes, std::size_t align) {
  void* p = ::operator new(bytes, std::align_val_t(align));
  // Huge pages for the whole ones inside the block. The block itself keeps
  // its own alignment: aligning it to a huge page would cost up to one more
  // huge page of address space per block, counted as in use. The advice is
  // asked before the pages are first touched, so they are faulted in huge;
  // a refusal changes nothing but speed.
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t first = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  const std::uintptr_t last = (start + bytes) & ~(kHugePageBytes - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  return p;
}

}  // namespace platform
