// The sift steps of the d-ary min-heaps of the timers (the map wheel's heap
// and the index's key groups), over an array of 64-bit keys. Keys are unique, so
// comparing them is one unsigned comparison, and the child choice uses no
// branch that depends on them. A heap whose entries carry more than the key
// keeps it in an array of its own, in step through move(to, from). Internal.
#ifndef TICKBASE_TIMER_QUAD_HEAP_H_
#define TICKBASE_TIMER_QUAD_HEAP_H_

#include <cstddef>
#include <cstdint>

constexpr std::size_t kQuadArity = 4;

namespace heap_detail {

// The least of c[0..Arity) and its index, by masks.
template <std::size_t Arity>
struct cLeast;

template <>
struct cLeast<2> {
  static std::size_t Of(const std::uint64_t* c, std::uint64_t& least) {
    const std::uint64_t second = -static_cast<std::uint64_t>(c[1] < c[0]);
    least = c[0] ^ ((c[0] ^ c[1]) & second);
    return static_cast<std::size_t>(second & 1);
  }
};

template <std::size_t Arity>
struct cLeast {
  static std::size_t Of(const std::uint64_t* c, std::uint64_t& least) {
    std::uint64_t a = 0, b = 0;
    const std::size_t i = cLeast<Arity / 2>::Of(c, a);
    const std::size_t j = cLeast<Arity / 2>::Of(c + Arity / 2, b) + Arity / 2;
    const std::uint64_t second = -static_cast<std::uint64_t>(b < a);
    least = a ^ ((a ^ b) & second);
    return i ^ ((i ^ j) & static_cast<std::size_t>(second));
  }
};

}  // namespace heap_detail

// Places key in the hole at i, moving greater parents down; returns where
// key went.
template <std::size_t Arity = kQuadArity, class Move>
std::size_t HeapSiftUp(std::uint64_t* keys, std::size_t i, std::uint64_t key, Move move) {
  while (i > 0) {
    const std::size_t parent = (i - 1) / Arity;
    if (keys[parent] < key) break;
    keys[i] = keys[parent];
    move(i, parent);
    i = parent;
  }
  keys[i] = key;
  return i;
}

// Places key in the hole at i of a heap of n keys, moving lesser children
// up; returns where key went.
template <std::size_t Arity = kQuadArity, bool Prefetch = false, class Move>
std::size_t HeapSiftDown(std::uint64_t* keys, std::size_t n, std::size_t i, std::uint64_t key, Move move) {
  for (;;) {
    const std::size_t first = i * Arity + 1;
    if (first >= n) break;
    if (Prefetch) {
      // The candidates of the next level are the grandchildren; asking for
      // them now overlaps their fetch with this level.
      const std::size_t grand = first * Arity + 1;
      if (grand < n) {
        for (std::size_t line = 0; line < Arity * Arity * 8 / 64; ++line) __builtin_prefetch(keys + grand + 8 * line);
      }
    }
    std::size_t best = first;
    std::uint64_t least = keys[first];
    if (first + Arity <= n) {
      best = first + heap_detail::cLeast<Arity>::Of(keys + first, least);
    } else {
      for (std::size_t c = first + 1; c < n; ++c) {
        const bool less = keys[c] < least;
        best = less ? c : best;
        least = less ? keys[c] : least;
      }
    }
    if (key < least) break;
    keys[i] = least;
    move(i, best);
    i = best;
  }
  keys[i] = key;
  return i;
}

// For heaps whose entries are their keys.
struct cKeysOnly {
  void operator()(std::size_t, std::size_t) const {}
};

#endif  // TICKBASE_TIMER_QUAD_HEAP_H_
