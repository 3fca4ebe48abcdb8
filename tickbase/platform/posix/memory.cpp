#include "tickbase/platform/memory.h"

#include <sys/mman.h>

#include <new>

namespace platform {

namespace {

std::size_t BlockAlign(std::size_t bytes, std::size_t align) {
  return bytes >= kHugePageBytes && align < kHugePageBytes ? kHugePageBytes : align;
}

}  // namespace

void* AllocateLarge(std::size_t bytes, std::size_t align) {
  const std::size_t blockAlign = BlockAlign(bytes, align);
  void* p = ::operator new(bytes, std::align_val_t(blockAlign));
  // Only whole huge pages inside the block; the advice is asked before the
  // pages are first touched, so they are faulted in huge. A refusal changes
  // nothing but speed.
  const std::size_t whole = bytes & ~(kHugePageBytes - 1);
  if (blockAlign == kHugePageBytes && whole > 0) madvise(p, whole, MADV_HUGEPAGE);
  return p;
}

void FreeLarge(void* p, std::size_t bytes, std::size_t align) {
  ::operator delete(p, std::align_val_t(BlockAlign(bytes, align)));
}

}  // namespace platform
