#include "tickbase/timer/timer_groups.h"

#include <cassert>

#include "tickbase/timer/quad_heap.h"

void cTimerGroups::Reserve(std::uint32_t group) {
  if (group != kNone) {
    std::vector<std::uint64_t>& heap = m_heaps[group];
    if (heap.size() == heap.capacity()) heap.reserve(heap.size() * 2);
    return;
  }
  if (m_free.empty()) {
    m_free.reserve(m_heaps.size() + 1);
    m_heaps.emplace_back();
    m_free.push_back(static_cast<std::uint32_t>(m_heaps.size() - 1));
  }
  m_heaps[m_free.back()].reserve(2);
}

std::uint32_t cTimerGroups::Open(std::uint64_t a, std::uint64_t b) {
  const std::uint32_t group = m_free.back();
  m_free.pop_back();
  std::vector<std::uint64_t>& heap = m_heaps[group];
  assert(heap.empty() && heap.capacity() >= 2);
  heap.push_back(a < b ? a : b);
  heap.push_back(a < b ? b : a);
  return group;
}

void cTimerGroups::Push(std::uint32_t group, std::uint64_t key) {
  std::vector<std::uint64_t>& heap = m_heaps[group];
  assert(heap.size() < heap.capacity());
  heap.push_back(key);
  HeapSiftUp(heap.data(), heap.size() - 1, key, cKeysOnly());
}

std::size_t cTimerGroups::Pop(std::uint32_t group) {
  std::vector<std::uint64_t>& heap = m_heaps[group];
  const std::uint64_t last = heap.back();
  heap.pop_back();
  if (!heap.empty()) HeapSiftDown(heap.data(), heap.size(), 0, last, cKeysOnly());
  return heap.size();
}

std::uint64_t cTimerGroups::Close(std::uint32_t group) {
  std::vector<std::uint64_t>& heap = m_heaps[group];
  assert(heap.size() == 1);
  const std::uint64_t key = heap.front();
  std::vector<std::uint64_t>().swap(heap);
  m_free.push_back(group);
  return key;
}
