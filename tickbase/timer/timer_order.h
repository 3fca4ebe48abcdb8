// Orders timers wait in: a heap (beside a map service's wheel) and a list
// service's FIFO. An entry is a 64-bit key that orders it (and names its
// timer, cTimerIndex says how) with the handle and param the timer fires
// with, so taking the first entry needs no other read. Removal is lazy: a
// killed timer's entry stays until it reaches the front or a compaction, and
// is then recognised as stale by the index. Nothing here allocates except
// Reserve. Internal.
#ifndef TICKBASE_TIMER_TIMER_ORDER_H_
#define TICKBASE_TIMER_TIMER_ORDER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tickbase/timer/large_allocator.h"

class cTimerObj;

// What a timer fires with.
struct stTimerRef {
  cTimerObj* obj;
  unsigned long param;
};

// An 8-ary min-heap of keys, kept in one array and the refs in
// another, in step. Sifting compares keys only, so a level costs one cache
// line of keys on the critical path; the ref of the child that moves up is
// fetched beside it. Node i lives at index kPad + i of both arrays, so the
// eight children of a node fill one cache line of the keys and two of the
// refs.
class cTimerHeap {
 public:
  static constexpr std::uint64_t kNoKey = ~std::uint64_t{0};

  cTimerHeap();
  cTimerHeap(const cTimerHeap&) = delete;
  cTimerHeap& operator=(const cTimerHeap&) = delete;

  bool empty() const { return size() == 0; }
  std::size_t size() const { return m_keys.size() - kPad; }
  // kNoKey when empty.
  std::uint64_t FrontKey() const { return empty() ? kNoKey : m_keys[kPad]; }
  const stTimerRef& FrontRef() const { return m_refs[kPad]; }
  // The ref of the least child of the front: the next front once the front
  // goes, unless what replaces it comes first. Requires: size() > 1.
  const stTimerRef& NextRef() const;

  // Makes room so that the next Push allocates nothing. Grows by an eighth,
  // so the arrays hold at most an eighth more than their peak (a timer's
  // entry is 24 bytes). On failure (std::bad_alloc) nothing has changed.
  void Reserve();
  // Requires: Reserve() since the last Push, and key is not stored.
  void Push(std::uint64_t key, const stTimerRef& ref);
  void PopFront();
  // Gives the front entry a new key, keeping its ref.
  void ReplaceFront(std::uint64_t key);

  // Rebuilding: Clear, Append every entry, then Heapify. Append needs no
  // room as long as no more entries are appended than were stored.
  void Clear();
  void Append(std::uint64_t key, const stTimerRef& ref);
  void Heapify();

 private:
  static constexpr std::size_t kLine = 64;
  static constexpr std::size_t kArity = 8;
  static constexpr std::size_t kPad = kArity - 1;
  // From this many entries the arrays are unlikely to be in cache, and
  // sifting fetches a level ahead.
  static constexpr std::size_t kPrefetchFrom = 32768;

  std::uint64_t* Keys() { return m_keys.data() + kPad; }
  stTimerRef* Refs() { return m_refs.data() + kPad; }
  // Sifts down the entry (key, held) from the hole at i of the first n
  // entries. By value: the hole's own entry may be what is sifted.
  void SiftDown(std::size_t n, std::size_t i, std::uint64_t key, stTimerRef held);

  std::vector<std::uint64_t, cLargeAllocator<std::uint64_t, kLine>> m_keys;
  std::vector<stTimerRef, cLargeAllocator<stTimerRef, kLine>> m_refs;
};

// List order: every entry of a list shares one period and is appended with
// due = clock + period, so appending keeps due order. Keys are insertion
// sequence numbers; the first entry is the oldest.
class cTimerFifo {
 public:
  struct stEntry {
    std::uint64_t key;
    stTimerRef ref;
    std::uint32_t due;
  };

  bool empty() const { return m_head == m_entries.size(); }
  std::size_t size() const { return m_entries.size() - m_head; }
  const stEntry& Front() const { return m_entries[m_head]; }

  // Makes room so that the next Push allocates nothing. On failure
  // (std::bad_alloc) nothing has changed.
  void Reserve();
  // Requires: Reserve() since the last Push.
  void Push(const stEntry& e) { m_entries.push_back(e); }
  void PopFront();
  // Drops the entries for which live(entry) is false, keeping the order.
  template <class Live>
  void Compact(Live live) {
    std::size_t kept = 0;
    for (std::size_t i = m_head; i < m_entries.size(); ++i)
      if (live(m_entries[i])) m_entries[kept++] = m_entries[i];
    m_entries.resize(kept);
    m_head = 0;
  }

 private:
  std::vector<stEntry> m_entries;  // the order is [m_head, end)
  std::size_t m_head = 0;
};

#endif  // TICKBASE_TIMER_TIMER_ORDER_H_
