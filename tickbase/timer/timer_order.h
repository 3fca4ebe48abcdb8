// The firing order of a map or list service: entries (due, seq, slot) that
// point into the service's cTimerTable. Removal is lazy: a killed timer's
// entry stays until it reaches the front or a Filter drops it, and is
// recognised as stale because its table slot no longer holds its seq.
// Internal.
#ifndef TICKBASE_TIMER_TIMER_ORDER_H_
#define TICKBASE_TIMER_TIMER_ORDER_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "tickbase/timer/due_order.h"

struct stOrderEntry {
  std::uint32_t due;
  std::uint32_t slot;
  std::uint64_t seq;
};

// Map order: a 4-ary min-heap by due time (wrap-around rule), then by
// insertion sequence, so equal due times fire in the order they were added.
// Four children per node halve the depth of a binary heap.
class cTimerHeap {
 public:
  static bool Before(std::uint32_t dueA, std::uint64_t seqA, std::uint32_t dueB, std::uint64_t seqB) {
    return dueA == dueB ? seqA < seqB : DueBefore(dueA, dueB);
  }

  bool empty() const { return m_heap.empty(); }
  std::size_t size() const { return m_heap.size(); }
  const stOrderEntry& Front() const { return m_heap.front(); }
  void Push(const stOrderEntry& e);
  void PopFront();
  // Keeps the entries for which keep(entry&) returns true (keep may rewrite
  // the entry's slot) and restores the order.
  template <class Keep>
  void Filter(Keep keep) {
    m_heap.erase(std::remove_if(m_heap.begin(), m_heap.end(),
                                [&](stOrderEntry& e) { return !keep(e); }),
                 m_heap.end());
    Heapify();
  }

 private:
  static bool Less(const stOrderEntry& a, const stOrderEntry& b) {
    return Before(a.due, a.seq, b.due, b.seq);
  }
  void SiftDown(std::size_t i);
  void Heapify();

  std::vector<stOrderEntry> m_heap;
};

// List order: every entry of a list shares one period and is appended with
// due = clock + period, so appending keeps due order; first is oldest.
class cTimerFifo {
 public:
  static bool Before(std::uint32_t, std::uint64_t seqA, std::uint32_t, std::uint64_t seqB) {
    return seqA < seqB;
  }

  bool empty() const { return m_fifo.empty(); }
  std::size_t size() const { return m_fifo.size(); }
  const stOrderEntry& Front() const { return m_fifo.front(); }
  void Push(const stOrderEntry& e) { m_fifo.push_back(e); }
  void PopFront() { m_fifo.pop_front(); }
  template <class Keep>
  void Filter(Keep keep) {
    m_fifo.erase(std::remove_if(m_fifo.begin(), m_fifo.end(),
                                [&](stOrderEntry& e) { return !keep(e); }),
                 m_fifo.end());
  }

 private:
  std::deque<stOrderEntry> m_fifo;
};

#endif  // TICKBASE_TIMER_TIMER_ORDER_H_
