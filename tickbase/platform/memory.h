// Large allocations backed by huge pages where the system offers them.
// Internal, not installed.
#ifndef TICKBASE_PLATFORM_MEMORY_H_
#define TICKBASE_PLATFORM_MEMORY_H_

#include <cstddef>
#include <new>

namespace platform {

// Allocates bytes aligned to align, and asks the system to back the whole
// huge pages inside the block with huge pages (a hint: where they are not
// available the block is ordinary memory). Throws std::bad_alloc when the
// heap is exhausted.
void* AllocateLarge(std::size_t bytes, std::size_t align);
// Frees a block from AllocateLarge; align as given to it.
inline void FreeLarge(void* p, std::size_t align) { ::operator delete(p, std::align_val_t(align)); }

}  // namespace platform

#endif  // TICKBASE_PLATFORM_MEMORY_H_
