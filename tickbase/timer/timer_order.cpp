#include "tickbase/timer/timer_order.h"

namespace {

constexpr std::size_t kArity = 4;

}  // namespace

cTimerHeap::cTimerHeap() : m_heap(kPad, stOrderEntry{0, 0, 0}) {
  static_assert(sizeof(stOrderEntry) * kArity == kLine, "four children per cache line");
}

void cTimerHeap::Push(const stOrderEntry& e) {
  std::size_t i = size();
  m_heap.push_back(e);
  stOrderEntry* node = Nodes();
  while (i > 0) {
    const std::size_t parent = (i - 1) / kArity;
    if (!Less(e, node[parent])) break;
    node[i] = node[parent];
    i = parent;
  }
  node[i] = e;
}

void cTimerHeap::PopFront() {
  Nodes()[0] = m_heap.back();
  m_heap.pop_back();
  if (!empty()) SiftDown(0);
}

void cTimerHeap::SiftDown(std::size_t i) {
  const std::size_t n = size();
  stOrderEntry* node = Nodes();
  const stOrderEntry e = node[i];
  for (;;) {
    const std::size_t first = i * kArity + 1;
    if (first >= n) break;
    // The next level's candidates are the children of these four: four
    // adjacent lines. Asking for them now overlaps their fetch with this
    // level's comparisons.
    const std::size_t grand = first * kArity + 1;
    if (grand < n) {
      for (std::size_t line = 0; line < kArity; ++line) __builtin_prefetch(node + grand + line * kArity);
    }
    const std::size_t last = std::min(first + kArity, n);
    std::size_t best = first;
    for (std::size_t c = first + 1; c < last; ++c)
      if (Less(node[c], node[best])) best = c;
    if (!Less(node[best], e)) break;
    node[i] = node[best];
    i = best;
  }
  node[i] = e;
}

void cTimerHeap::Heapify() {
  if (size() < 2) return;
  for (std::size_t i = (size() - 2) / kArity + 1; i-- > 0;) SiftDown(i);
}
