#include "tickbase/timer/timer_wheel.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "tickbase/timer/dispatch_clock.h"

namespace {

std::uint64_t MakeKey(std::uint64_t pos, std::uint32_t seq) { return pos << cTimerWheel::kSeqBits | seq; }

}  // namespace

const stTimerRef* cTimerWheel::NextRef() const {
  if (!m_fromWheel) return m_spill.size() > 1 ? &m_spill.NextRef() : nullptr;
  const std::uint32_t next = Following(m_frontNode);
  return next == m_frontNode ? nullptr : &m_nodes[next].ref;
}

std::uint32_t cTimerWheel::Following(std::uint32_t n) const {
  if (m_nodes[n].next != kNil) return m_nodes[n].next;
  return m_wheel->buckets[m_wheel->used.FindFrom(Bucket(m_frontPos + 1))].head;
}

void cTimerWheel::Advance(std::uint64_t clockPos) {
  m_clock = clockPos;
  if (m_wheel) Rebase();
}

void cTimerWheel::Rebase() {
  // The base never passes the first bucket in use (its position would be
  // lost) and never goes back while buckets are in use (a bucket would then
  // stand for two positions).
  if (m_wheelCount == 0)
    m_base = m_clock + 1;
  else
    m_base = std::max(m_base, std::min(m_clock + 1, m_frontPos));
}

void cTimerWheel::Reserve() {
  m_spill.Reserve();
  if (!m_wheel && size() >= kWheelFrom) {
    m_wheel = std::make_unique<stWheel>();
    Rebase();
    cDispatchClock::NoteSlowStep();
  }
  if (m_wheel && !NodeAvailable()) {
    m_nodes.reserve(m_nodes.size() + m_nodes.size() / 8 + 64);
    cDispatchClock::NoteSlowStep();
  }
}

void cTimerWheel::Link(std::uint32_t n, std::uint64_t pos) {
  stBucket& b = m_wheel->buckets[Bucket(pos)];
  m_nodes[n].next = kNil;
  if (b.tail == kNil) {
    b.head = n;
    m_wheel->used.Set(Bucket(pos));
  } else {
    m_nodes[b.tail].next = n;
  }
  b.tail = n;
  if (m_wheelCount++ == 0 || pos < m_frontPos) m_frontPos = pos;
}

bool cTimerWheel::PushToWheel(std::uint64_t key, const stTimerRef& ref) {
  const std::uint64_t pos = Pos(key);
  if (!Covers(pos) || !NodeAvailable()) return false;
  std::uint32_t n = m_free;
  if (n != kNil) {
    m_free = m_nodes[n].next;
  } else {
    n = static_cast<std::uint32_t>(m_nodes.size());
    m_nodes.emplace_back();
  }
  m_nodes[n].seq = Seq(key);
  m_nodes[n].ref = ref;
  Link(n, pos);
  return true;
}

std::uint32_t cTimerWheel::UnlinkFront() {
  const std::size_t bucket = Bucket(m_frontPos);
  stBucket& b = m_wheel->buckets[bucket];
  const std::uint32_t n = b.head;
  b.head = m_nodes[n].next;
  --m_wheelCount;
  if (b.head == kNil) {
    b.tail = kNil;
    m_wheel->used.Reset(bucket);
    if (m_wheelCount != 0) {
      const std::size_t from = Bucket(m_frontPos + 1);
      m_frontPos += 1 + ((m_wheel->used.FindFrom(from) - from) & (kBuckets - 1));
    }
    Rebase();
  }
  // The wheel's next front is most likely the node the last unlink fetched:
  // fetch the one after it while this one fires.
  if (m_wheelCount != 0) __builtin_prefetch(&m_nodes[Following(m_wheel->buckets[Bucket(m_frontPos)].head)]);
  return n;
}

void cTimerWheel::FreeNode(std::uint32_t n) {
  m_nodes[n].next = m_free;
  m_free = n;
}

void cTimerWheel::UpdateFront() {
  m_fromWheel = false;
  m_frontKey = m_spill.FrontKey();
  if (m_wheelCount == 0) return;
  const std::uint32_t n = m_wheel->buckets[Bucket(m_frontPos)].head;
  const std::uint64_t key = MakeKey(m_frontPos, m_nodes[n].seq);
  if (key < m_frontKey) {
    m_frontKey = key;
    m_frontNode = n;
    m_fromWheel = true;
  }
}

void cTimerWheel::Push(std::uint64_t key, const stTimerRef& ref) {
  const bool wheel = PushToWheel(key, ref);
  if (!wheel) m_spill.Push(key, ref);
  ++m_version;
  if (key < m_frontKey) {
    m_frontKey = key;
    m_fromWheel = wheel;
    if (wheel) m_frontNode = m_wheel->buckets[Bucket(Pos(key))].tail;
  }
}

void cTimerWheel::PopFront() {
  assert(!empty());
  if (m_fromWheel)
    FreeNode(UnlinkFront());
  else
    m_spill.PopFront();
  ++m_version;
  UpdateFront();
}

void cTimerWheel::ReplaceFront(std::uint64_t key) {
  assert(!empty());
  const std::uint64_t pos = Pos(key);
  if (m_fromWheel) {
    const std::uint32_t n = UnlinkFront();
    if (Covers(pos)) {
      m_nodes[n].seq = Seq(key);
      Link(n, pos);
    } else {
      m_spill.Push(key, m_nodes[n].ref);
      FreeNode(n);
    }
  } else if (Covers(pos) && NodeAvailable()) {
    const stTimerRef ref = m_spill.FrontRef();
    m_spill.PopFront();
    PushToWheel(key, ref);
  } else {
    m_spill.ReplaceFront(key);
  }
  ++m_version;
  UpdateFront();
}

void cTimerWheel::Clear(std::int64_t shift) {
  m_spill.Clear();
  if (m_wheel) {
    for (stBucket& b : m_wheel->buckets) b = stBucket{};
    m_wheel->used.ResetAll();
  }
  m_nodes.clear();
  m_free = kNil;
  m_wheelCount = 0;
  m_base = static_cast<std::uint64_t>(static_cast<std::int64_t>(m_base) + shift);
  m_clock = static_cast<std::uint64_t>(static_cast<std::int64_t>(m_clock) + shift);
  m_frontKey = kNoKey;
  m_fromWheel = false;
  ++m_version;
}

void cTimerWheel::Append(std::uint64_t key, const stTimerRef& ref) {
  // The bucket waits in `next` until Build links the node.
  if (Covers(Pos(key)) && m_nodes.size() < m_nodes.capacity())
    m_nodes.push_back(stNode{Seq(key), static_cast<std::uint32_t>(Bucket(Pos(key))), ref});
  else
    m_spill.Append(key, ref);
}

void cTimerWheel::Build() {
  if (!m_nodes.empty()) LinkAppended();
  m_spill.Heapify();
  if (m_wheel) Rebase();
  UpdateFront();
}

void cTimerWheel::LinkAppended() {
  // Each appended node holds its bucket in `next`. Group the nodes by
  // bucket in place (the bucket table holds each group's start, then its
  // fill), sort each group by sequence, which is key order within a bucket,
  // and chain it: the lists then lie in consecutive memory.
  stBucket* buckets = m_wheel->buckets;
  for (const stNode& node : m_nodes) ++buckets[node.next].tail;
  std::uint32_t start = 0;
  for (std::size_t b = 0; b < kBuckets; ++b) {
    const std::uint32_t count = buckets[b].tail + 1;  // tail counted up from kNil
    buckets[b] = stBucket{start, start};
    start += count;
  }
  auto end = [&](std::size_t b) {
    return b + 1 < kBuckets ? buckets[b + 1].head : static_cast<std::uint32_t>(m_nodes.size());
  };
  for (std::size_t b = 0; b < kBuckets; ++b) {
    for (std::uint32_t& fill = buckets[b].tail; fill < end(b);) {
      const std::uint32_t home = m_nodes[fill].next;
      if (home == b)
        ++fill;
      else
        std::swap(m_nodes[fill], m_nodes[buckets[home].tail++]);
    }
  }
  const std::size_t baseBucket = Bucket(m_base);
  for (std::size_t b = 0; b < kBuckets; ++b) {
    const std::uint32_t first = buckets[b].head, last = end(b);
    buckets[b] = stBucket{};
    if (first == last) continue;
    std::sort(m_nodes.begin() + first, m_nodes.begin() + last,
              [](const stNode& x, const stNode& y) { return x.seq < y.seq; });
    const std::uint64_t pos = m_base + ((b - baseBucket) & (kBuckets - 1));
    for (std::uint32_t n = first; n < last; ++n) Link(n, pos);
  }
}
