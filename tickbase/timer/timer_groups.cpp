#include "tickbase/timer/timer_groups.h"

#include <algorithm>
#include <cassert>

#include "tickbase/timer/quad_heap.h"
#include "tickbase/timer/timer_order.h"

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
  QuadSiftUp(heap.data(), heap.size() - 1, Before);
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
    QuadSiftUp(heap.data(), i, Before);
    QuadSiftDown(heap.data(), heap.size(), i, Before);
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
