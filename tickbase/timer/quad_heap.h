// The sift steps of the 4-ary min-heaps of the timer index (the map order
// and the key groups), over a plain array of entries. Four children per
// node halve the depth of a binary heap. Internal.
#ifndef TICKBASE_TIMER_QUAD_HEAP_H_
#define TICKBASE_TIMER_QUAD_HEAP_H_

#include <algorithm>
#include <cstddef>

constexpr std::size_t kQuadArity = 4;

// Moves node[i] up to its place; less(a, b) is true when a comes first.
template <class Entry, class Less>
void QuadSiftUp(Entry* node, std::size_t i, Less less) {
  const Entry e = node[i];
  while (i > 0) {
    const std::size_t parent = (i - 1) / kQuadArity;
    if (!less(e, node[parent])) break;
    node[i] = node[parent];
    i = parent;
  }
  node[i] = e;
}

// Moves node[i] down to its place among n entries.
template <class Entry, class Less>
void QuadSiftDown(Entry* node, std::size_t n, std::size_t i, Less less) {
  const Entry e = node[i];
  for (;;) {
    const std::size_t first = i * kQuadArity + 1;
    if (first >= n) break;
    // The next level's candidates are the children of these four; asking
    // for them now overlaps their fetch with this level's comparisons.
    const std::size_t grand = first * kQuadArity + 1;
    if (grand < n) {
      for (std::size_t line = 0; line < kQuadArity; ++line)
        __builtin_prefetch(node + std::min(grand + line * kQuadArity, n - 1));
    }
    const std::size_t last = std::min(first + kQuadArity, n);
    std::size_t best = first;
    for (std::size_t c = first + 1; c < last; ++c) best = less(node[c], node[best]) ? c : best;
    if (!less(node[best], e)) break;
    node[i] = node[best];
    i = best;
  }
  node[i] = e;
}

#endif  // TICKBASE_TIMER_QUAD_HEAP_H_
