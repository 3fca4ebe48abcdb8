#include "tickbase/timer/timer_order.h"

#include "tickbase/timer/quad_heap.h"

cTimerHeap::cTimerHeap() : m_heap(kPad, stOrderEntry{0, 0, 0}) {
  static_assert(sizeof(stOrderEntry) * kQuadArity == kLine, "four children per cache line");
}

void cTimerHeap::Push(const stOrderEntry& e) {
  m_heap.push_back(e);
  QuadSiftUp(Nodes(), size() - 1, Less);
}

void cTimerHeap::PopFront() {
  Nodes()[0] = m_heap.back();
  m_heap.pop_back();
  if (!empty()) QuadSiftDown(Nodes(), size(), 0, Less);
}

void cTimerHeap::Heapify() {
  if (size() < 2) return;
  for (std::size_t i = (size() - 2) / kQuadArity + 1; i-- > 0;) QuadSiftDown(Nodes(), size(), i, Less);
}
