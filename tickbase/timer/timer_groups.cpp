#include "tickbase/timer/timer_groups.h"

#include <algorithm>
#include <cassert>

#include "tickbase/timer/timer_order.h"

namespace {

// Four children per node: half the depth of a binary heap, and the
// children of a node share one cache line more often than not.
constexpr std::size_t kArity = 4;

}  // namespace

template <class Order>
void cTimerGroups<Order>::SiftUp(std::vector<stGroupEntry>& heap, std::size_t i) {
  const stGroupEntry e = heap[i];
  while (i > 0) {
    const std::size_t parent = (i - 1) / kArity;
    if (!Before(e, heap[parent])) break;
    heap[i] = heap[parent];
    i = parent;
  }
  heap[i] = e;
}

template <class Order>
void cTimerGroups<Order>::SiftDown(std::vector<stGroupEntry>& heap, std::size_t i) {
  // Bottom-up: the hole goes down to a leaf along the first-firing
  // children, without comparing e on the way, and e rises from there. e
  // came from the bottom, so it rarely rises far; the walk down saves the
  // comparison with e at every level.
  const std::size_t n = heap.size();
  const stGroupEntry e = heap[i];
  for (;;) {
    const std::size_t first = i * kArity + 1;
    if (first >= n) break;
    // The next level's candidates are the children of these four; asking
    // for them now overlaps their fetch with this level's comparisons.
    const std::size_t grand = first * kArity + 1;
    if (grand < n) {
      for (std::size_t line = 0; line < kArity; ++line) __builtin_prefetch(&heap[std::min(grand + line * kArity, n - 1)]);
    }
    const std::size_t last = std::min(first + kArity, n);
    std::size_t best = first;
    for (std::size_t c = first + 1; c < last; ++c) best = Before(heap[c], heap[best]) ? c : best;
    heap[i] = heap[best];
    i = best;
  }
  heap[i] = e;
  SiftUp(heap, i);
}

template <class Order>
void cTimerGroups<Order>::Reserve(std::uint32_t group) {
  if (group != kNone) {
    std::vector<stGroupEntry>& heap = m_groups[group];
    if (heap.size() == heap.capacity()) heap.reserve(heap.size() * 2);
    return;
  }
  if (m_free.empty()) {
    m_free.reserve(m_groups.size() + 1);
    m_groups.emplace_back();
    m_free.push_back(static_cast<std::uint32_t>(m_groups.size() - 1));
  }
  m_groups[m_free.back()].reserve(2);
}

template <class Order>
std::uint32_t cTimerGroups<Order>::Open(const stGroupEntry& a, const stGroupEntry& b) {
  const std::uint32_t group = m_free.back();
  m_free.pop_back();
  std::vector<stGroupEntry>& heap = m_groups[group];
  assert(heap.empty() && heap.capacity() >= 2);
  heap.push_back(a);
  Push(group, b);
  return group;
}

template <class Order>
void cTimerGroups<Order>::Push(std::uint32_t group, const stGroupEntry& e) {
  std::vector<stGroupEntry>& heap = m_groups[group];
  assert(heap.size() < heap.capacity());
  heap.push_back(e);
  SiftUp(heap, heap.size() - 1);
}

template <class Order>
std::size_t cTimerGroups<Order>::Remove(std::uint32_t group, std::uint32_t node) {
  std::vector<stGroupEntry>& heap = m_groups[group];
  std::size_t i = 0;
  if (heap.front().node != node) {
    i = static_cast<std::size_t>(
        std::find_if(heap.begin(), heap.end(), [node](const stGroupEntry& e) { return e.node == node; }) -
        heap.begin());
  }
  heap[i] = heap.back();
  heap.pop_back();
  if (i < heap.size()) {
    SiftUp(heap, i);
    SiftDown(heap, i);
  }
  return heap.size();
}

template <class Order>
std::uint32_t cTimerGroups<Order>::Close(std::uint32_t group) {
  std::vector<stGroupEntry>& heap = m_groups[group];
  assert(heap.size() == 1);
  const std::uint32_t node = heap.front().node;
  std::vector<stGroupEntry>().swap(heap);
  m_free.push_back(group);
  return node;
}

template class cTimerGroups<cTimerHeap>;
template class cTimerGroups<cTimerFifo>;
