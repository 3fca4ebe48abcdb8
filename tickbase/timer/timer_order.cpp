#include "tickbase/timer/timer_order.h"

namespace {

constexpr std::size_t kArity = 4;

}  // namespace

void cTimerHeap::Push(const stOrderEntry& e) {
  std::size_t i = m_heap.size();
  m_heap.push_back(e);
  while (i > 0) {
    const std::size_t parent = (i - 1) / kArity;
    if (!Less(e, m_heap[parent])) break;
    m_heap[i] = m_heap[parent];
    i = parent;
  }
  m_heap[i] = e;
}

void cTimerHeap::PopFront() {
  m_heap.front() = m_heap.back();
  m_heap.pop_back();
  if (!m_heap.empty()) SiftDown(0);
}

void cTimerHeap::SiftDown(std::size_t i) {
  const std::size_t n = m_heap.size();
  const stOrderEntry e = m_heap[i];
  for (;;) {
    const std::size_t first = i * kArity + 1;
    if (first >= n) break;
    const std::size_t last = std::min(first + kArity, n);
    std::size_t best = first;
    for (std::size_t c = first + 1; c < last; ++c)
      if (Less(m_heap[c], m_heap[best])) best = c;
    if (!Less(m_heap[best], e)) break;
    m_heap[i] = m_heap[best];
    i = best;
  }
  m_heap[i] = e;
}

void cTimerHeap::Heapify() {
  if (m_heap.size() < 2) return;
  for (std::size_t i = (m_heap.size() - 2) / kArity + 1; i-- > 0;) SiftDown(i);
}
