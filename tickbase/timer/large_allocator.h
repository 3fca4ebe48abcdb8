// The allocator of the timer index, wheel and heap arrays, which reach tens of
// megabytes at a million timers: big blocks get huge pages where the system
// offers them, so a random kill among them costs fewer TLB misses. Internal.
#ifndef TICKBASE_TIMER_LARGE_ALLOCATOR_H_
#define TICKBASE_TIMER_LARGE_ALLOCATOR_H_

#include <cstddef>

#include "tickbase/platform/memory.h"

// Align: the alignment of every block (at least alignof(T)).
template <class T, std::size_t Align = alignof(T)>
struct cLargeAllocator {
  using value_type = T;
  template <class U>
  struct rebind {
    using other = cLargeAllocator<U, Align>;
  };

  cLargeAllocator() = default;
  template <class U>
  cLargeAllocator(const cLargeAllocator<U, Align>&) {}

  T* allocate(std::size_t n) { return static_cast<T*>(platform::AllocateLarge(n * sizeof(T), Align)); }
  void deallocate(T* p, std::size_t) { platform::FreeLarge(p, Align); }

  bool operator==(const cLargeAllocator&) const { return true; }
  bool operator!=(const cLargeAllocator&) const { return false; }
};

#endif  // TICKBASE_TIMER_LARGE_ALLOCATOR_H_
