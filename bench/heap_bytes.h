// Heap bytes in use, for the memory figures of the benchmarks: the
// allocator's own count (large mapped blocks included) where glibc keeps
// one, else the process's private committed bytes (Windows).
#ifndef TICKBASE_BENCH_HEAP_BYTES_H_
#define TICKBASE_BENCH_HEAP_BYTES_H_

#include <cstddef>

#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>

inline std::size_t HeapBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return counters.PrivateUsage;
}
#else
#include <malloc.h>

inline std::size_t HeapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}
#endif

#endif  // TICKBASE_BENCH_HEAP_BYTES_H_
