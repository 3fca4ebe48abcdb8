// The firing order of a map or list service: entries (due, node, seq) that
// point at the service's timer nodes (cTimerNodes). Removal is lazy: a
// killed timer's entry stays until it reaches the front or a compaction
// drops it, and is recognised as stale because its node no longer holds its
// seq. Nothing here allocates except Push. Internal.
#ifndef TICKBASE_TIMER_TIMER_ORDER_H_
#define TICKBASE_TIMER_TIMER_ORDER_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "tickbase/timer/due_order.h"
#include "tickbase/timer/large_allocator.h"

struct stOrderEntry {
  std::uint32_t due;
  std::uint32_t node;
  std::uint64_t seq;
};

// Map order: a 4-ary min-heap by due time (wrap-around rule), then by
// insertion sequence, so equal due times fire in the order they were added.
// Four children per node halve the depth of a binary heap, and the storage
// is laid out so that each node's four 16-byte children fill one 64-byte
// cache line: a walk from the root touches one line per level.
class cTimerHeap {
 public:
  static bool Before(std::uint32_t dueA, std::uint64_t seqA, std::uint32_t dueB, std::uint64_t seqB) {
    return dueA == dueB ? seqA < seqB : DueBefore(dueA, dueB);
  }

  cTimerHeap();

  bool empty() const { return size() == 0; }
  std::size_t size() const { return m_heap.size() - kPad; }
  const stOrderEntry& Front() const { return m_heap[kPad]; }
  void Push(const stOrderEntry& e);
  void PopFront();
  // Drops the entries for which live(entry) is false, in place.
  template <class Live>
  void Compact(Live live) {
    m_heap.erase(std::remove_if(m_heap.begin() + kPad, m_heap.end(),
                                [&](const stOrderEntry& e) { return !live(e); }),
                 m_heap.end());
    Heapify();
  }

 private:
  static constexpr std::size_t kLine = 64;
  // Node i lives at m_heap[kPad + i]; its children 4i+1..4i+4 then start at
  // a multiple of four entries, a cache line boundary. The padding entries
  // are never read.
  static constexpr std::size_t kPad = 3;

  static bool Less(const stOrderEntry& a, const stOrderEntry& b) {
    return Before(a.due, a.seq, b.due, b.seq);
  }
  stOrderEntry* Nodes() { return m_heap.data() + kPad; }
  void Heapify();

  std::vector<stOrderEntry, cLargeAllocator<stOrderEntry, kLine>> m_heap;  // on line boundaries
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
  // Drops the entries for which live(entry) is false, keeping the order.
  template <class Live>
  void Compact(Live live) {
    m_fifo.erase(std::remove_if(m_fifo.begin(), m_fifo.end(),
                                [&](const stOrderEntry& e) { return !live(e); }),
                 m_fifo.end());
  }

 private:
  std::deque<stOrderEntry> m_fifo;
};

#endif  // TICKBASE_TIMER_TIMER_ORDER_H_
