#include "tickbase/platform/memory.h"

#include <new>

namespace platform {

// Large pages on Windows need a privilege a game server seldom holds, so
// big blocks are ordinary aligned memory here.
void* AllocateLarge(std::size_t bytes, std::size_t align) {
  return ::operator new(bytes, std::align_val_t(align));
}

}  // namespace platform
