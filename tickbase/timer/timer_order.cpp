#include "tickbase/timer/timer_order.h"

#include <cassert>

#include "tickbase/timer/dispatch_clock.h"
#include "tickbase/timer/quad_heap.h"

// cTimerHeap ------------------------------------------------------------------

cTimerHeap::cTimerHeap() : m_keys(kPad, kNoKey), m_refs(kPad, stTimerRef{nullptr, 0}) {
  static_assert(sizeof(std::uint64_t) * kArity == kLine, "a node's keys fill a cache line");
}

const stTimerRef& cTimerHeap::NextRef() const {
  const std::size_t n = size();
  assert(n > 1);
  std::size_t best = 1;
  for (std::size_t c = 2; c <= kArity && c < n; ++c)
    best = m_keys[kPad + c] < m_keys[kPad + best] ? c : best;
  return m_refs[kPad + best];
}

void cTimerHeap::Reserve() {
  if (m_keys.size() < m_keys.capacity() && m_refs.size() < m_refs.capacity()) return;
  const std::size_t grown = m_keys.size() + m_keys.size() / 8 + 64;
  m_keys.reserve(grown);
  m_refs.reserve(grown);
  cDispatchClock::NoteSlowStep();
}

void cTimerHeap::Push(std::uint64_t key, const stTimerRef& ref) {
  assert(m_keys.size() < m_keys.capacity() && m_refs.size() < m_refs.capacity());
  m_keys.push_back(key);
  m_refs.push_back(ref);
  stTimerRef* refs = Refs();
  const std::size_t at = HeapSiftUp<kArity>(Keys(), size() - 1, key, [refs](std::size_t to, std::size_t from) {
    refs[to] = refs[from];
  });
  refs[at] = ref;
}

void cTimerHeap::SiftDown(std::size_t n, std::size_t i, std::uint64_t key, stTimerRef held) {
  stTimerRef* refs = Refs();
  std::size_t at = 0;
  if (n < kPrefetchFrom) {
    at = HeapSiftDown<kArity, false>(Keys(), n, i, key, [refs](std::size_t to, std::size_t from) {
      refs[to] = refs[from];
    });
  } else {
    at = HeapSiftDown<kArity, true>(Keys(), n, i, key, [refs](std::size_t to, std::size_t from) {
      // The child that moves up is the next hole: its children's refs are
      // what the next level moves.
      const char* next = reinterpret_cast<const char*>(refs + from * kArity + 1);
      for (std::size_t line = 0; line < kArity * sizeof(stTimerRef); line += 64) __builtin_prefetch(next + line);
      refs[to] = refs[from];
    });
  }
  refs[at] = held;
}

void cTimerHeap::PopFront() {
  assert(!empty());
  const std::uint64_t key = m_keys.back();
  const stTimerRef ref = m_refs.back();
  m_keys.pop_back();
  m_refs.pop_back();
  if (!empty()) SiftDown(size(), 0, key, ref);
}

void cTimerHeap::ReplaceFront(std::uint64_t key) {
  assert(!empty());
  SiftDown(size(), 0, key, FrontRef());
}

void cTimerHeap::Clear() {
  m_keys.resize(kPad);
  m_refs.resize(kPad);
}

void cTimerHeap::Append(std::uint64_t key, const stTimerRef& ref) {
  assert(m_keys.size() < m_keys.capacity() && m_refs.size() < m_refs.capacity());
  m_keys.push_back(key);
  m_refs.push_back(ref);
}

void cTimerHeap::Heapify() {
  const std::size_t n = size();
  if (n > 1) {
    for (std::size_t i = (n - 2) / kArity + 1; i-- > 0;) SiftDown(n, i, Keys()[i], Refs()[i]);
  }
}

// cTimerFifo ------------------------------------------------------------------

void cTimerFifo::Reserve() {
  if (m_entries.size() < m_entries.capacity()) return;
  m_entries.reserve(m_entries.size() * 2 + 16);
  cDispatchClock::NoteSlowStep();
}

void cTimerFifo::PopFront() {
  assert(!empty());
  ++m_head;
  // Popped entries are dropped in bulk once they are half the array.
  if (m_head * 2 >= m_entries.size()) {
    m_entries.erase(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(m_head));
    m_head = 0;
  }
}
