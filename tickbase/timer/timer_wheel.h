// The firing order of a map service. Keys are 64-bit words, a due time's
// position on the clock's line above a 31-bit insertion sequence (see
// cMapTimers); the least key fires first.
//
// Most timers of a busy server are due within a minute or so of the clock.
// Those go into a wheel of one bucket per clock unit, covering the units
// from a base at or just after the clock: a bucket is a list in insertion
// order, which is key order, so taking the first timer and storing a
// re-armed one each touch one list end instead of sifting through a heap of
// a million entries. Everything else (due before the base, beyond the
// wheel, or any timer while the order is small) waits in a heap. The front
// is the lesser of the two fronts.
//
// Removal is lazy, as in the heap: a killed timer's entry stays until it
// reaches the front or a rebuild. Nothing allocates except Reserve.
// Internal.
#ifndef TICKBASE_TIMER_TIMER_WHEEL_H_
#define TICKBASE_TIMER_TIMER_WHEEL_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "tickbase/timer/bucket_bits.h"
#include "tickbase/timer/large_allocator.h"
#include "tickbase/timer/timer_order.h"

class cTimerWheel {
 public:
  static constexpr std::uint64_t kNoKey = cTimerHeap::kNoKey;
  static constexpr int kSeqBits = 31;
  static std::uint64_t MakeKey(std::uint64_t pos, std::uint64_t seq) { return pos << kSeqBits | seq; }
  static std::uint64_t Pos(std::uint64_t key) { return key >> kSeqBits; }

  cTimerWheel() = default;
  cTimerWheel(const cTimerWheel&) = delete;
  cTimerWheel& operator=(const cTimerWheel&) = delete;

  bool empty() const { return size() == 0; }
  std::size_t size() const { return m_wheelCount + m_spill.size(); }
  // kNoKey when empty.
  std::uint64_t FrontKey() const { return m_frontKey; }
  const stTimerRef& FrontRef() const { return m_fromWheel ? m_nodes[m_frontNode].ref : m_spill.FrontRef(); }
  // The timer most likely to be the front once the front goes, for
  // prefetching; null when that is not known cheaply.
  const stTimerRef* NextRef() const;
  // Changes with every change: equal values mean the front is still the
  // same entry.
  std::uint64_t Version() const { return m_version; }

  // The clock's position, which the wheel's base follows.
  void Advance(std::uint64_t clockPos) {
    m_clock = clockPos;
    if (m_wheel) Rebase();
  }

  // Makes room so that the next Push or ReplaceFront allocates nothing. On
  // failure (std::bad_alloc) nothing has changed.
  void Reserve();
  // Requires: Reserve() since the last Push or ReplaceFront, and key is not
  // stored.
  void Push(std::uint64_t key, const stTimerRef& ref);
  void PopFront();
  // Gives the front entry a new key, keeping its ref. Requires: as Push.
  void ReplaceFront(std::uint64_t key);

  // Rebuilding: Clear, Append every entry in any order, then Build. Append
  // needs no room as long as no more entries are appended than were stored.
  // Clear moves every position by `shift` (renumbered keys).
  void Clear(std::int64_t shift = 0);
  void Append(std::uint64_t key, const stTimerRef& ref);
  void Build();

 private:
  // A wheel of 2^16 units spans a minute of milliseconds; below some
  // thousands of timers the heap is in cache anyway and the wheel's table
  // (half a megabyte) would only cost memory.
  static constexpr std::size_t kBuckets = std::size_t{1} << 16;
  static constexpr std::size_t kWheelFrom = 16384;
  static constexpr std::uint32_t kNil = ~std::uint32_t{0};

  struct stNode {
    std::uint32_t seq;
    std::uint32_t next;  // the bucket's next node, or the free list's
    stTimerRef ref;
  };
  struct stBucket {
    std::uint32_t head = kNil;
    std::uint32_t tail = kNil;
  };
  struct stWheel {
    stBucket buckets[kBuckets];
    cBucketBits<kBuckets> used;
    cBucketBits<kBuckets> unsorted;  // rebuilt lists, sorted on reaching the front
  };

  static std::uint32_t Seq(std::uint64_t key) { return static_cast<std::uint32_t>(key) & 0x7FFFFFFFu; }
  static std::size_t Bucket(std::uint64_t pos) { return static_cast<std::size_t>(pos) & (kBuckets - 1); }

  // The first position at or after from that falls in bucket.
  static std::uint64_t Ahead(std::uint64_t from, std::size_t bucket) {
    return from + ((bucket - Bucket(from)) & (kBuckets - 1));
  }
  // The position of the first bucket in use at or after pos. Requires: a
  // bucket in use.
  std::uint64_t FirstUsedFrom(std::uint64_t pos) const;
  bool Covers(std::uint64_t pos) const { return m_wheel && pos - m_base < kBuckets; }
  bool NodeAvailable() const { return m_free != kNil || m_nodes.size() < m_nodes.capacity(); }
  // Stores key in the wheel if it covers the key and a node is at hand.
  bool PushToWheel(std::uint64_t key, const stTimerRef& ref);
  // Puts node n at the end of the bucket of pos.
  void AppendNode(std::uint32_t n, std::uint64_t pos);
  // AppendNode, keeping the front.
  void Link(std::uint32_t n, std::uint64_t pos);
  // Makes the bucket of pos the front one, sorting its list if need be.
  void SetFront(std::uint64_t pos);
  void SortBucket(stBucket& b);
  // The node after n in wheel order (n in the front bucket): its list's
  // next, else the first of the next bucket in use, which may be n's own.
  std::uint32_t Following(std::uint32_t n) const;
  // Takes the front bucket's first node out of its list.
  std::uint32_t UnlinkFront();
  void FreeNode(std::uint32_t n);
  // Moves the base up to the clock or the first bucket, whichever is
  // first. It never passes the first bucket in use (whose position would be
  // lost) and never goes back while buckets are in use (a bucket would then
  // stand for two positions).
  void Rebase() {
    if (m_wheelCount == 0)
      m_base = m_clock + 1;
    else if (m_clock + 1 > m_base)
      m_base = m_clock + 1 < m_frontPos ? m_clock + 1 : m_frontPos;
  }
  void UpdateFront();

  cTimerHeap m_spill;
  std::unique_ptr<stWheel> m_wheel;
  std::vector<stNode, cLargeAllocator<stNode, 64>> m_nodes;
  std::uint32_t m_free = kNil;
  std::size_t m_wheelCount = 0;
  std::uint64_t m_base = 0;      // the first position the wheel covers
  std::uint64_t m_frontPos = 0;  // the first non-empty bucket's, while any
  std::uint64_t m_clock = 0;
  std::uint64_t m_frontKey = kNoKey;
  std::uint32_t m_frontNode = kNil;
  bool m_fromWheel = false;
  std::uint64_t m_version = 0;
};

#endif  // TICKBASE_TIMER_TIMER_WHEEL_H_
