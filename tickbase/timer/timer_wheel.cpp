#include "tickbase/timer/timer_wheel.h"

#include <cassert>

#include "tickbase/timer/dispatch_clock.h"

const stTimerRef* cTimerWheel::NextRef() const {
  if (!m_fromWheel) return m_spill.size() > 1 ? &m_spill.NextRef() : nullptr;
  const std::uint32_t next = Following(m_frontNode);
  return next == m_frontNode ? nullptr : &m_nodes[next].ref;
}

std::uint32_t cTimerWheel::Following(std::uint32_t n) const {
  if (m_nodes[n].next != kNil) return m_nodes[n].next;
  return m_wheel->buckets[m_wheel->used.FindFrom(Bucket(m_frontPos + 1))].head;
}

std::uint64_t cTimerWheel::FirstUsedFrom(std::uint64_t pos) const {
  return Ahead(pos, m_wheel->used.FindFrom(Bucket(pos)));
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

void cTimerWheel::AppendNode(std::uint32_t n, std::uint64_t pos) {
  stBucket& b = m_wheel->buckets[Bucket(pos)];
  m_nodes[n].next = kNil;
  if (b.tail == kNil) {
    b.head = n;
    m_wheel->used.Set(Bucket(pos));
  } else {
    m_nodes[b.tail].next = n;
  }
  b.tail = n;
  ++m_wheelCount;
}

void cTimerWheel::Link(std::uint32_t n, std::uint64_t pos) {
  AppendNode(n, pos);
  if (m_wheelCount == 1 || pos < m_frontPos) SetFront(pos);
}

void cTimerWheel::SetFront(std::uint64_t pos) {
  m_frontPos = pos;
  const std::size_t bucket = Bucket(pos);
  if (m_wheel->unsorted.Test(bucket)) {
    m_wheel->unsorted.Reset(bucket);
    SortBucket(m_wheel->buckets[bucket]);
  }
}

void cTimerWheel::SortBucket(stBucket& b) {
  // Bottom-up merge sort of the list: runs of 1, 2, 4, ... nodes merged in
  // pairs until one run is left. Nothing allocates, however long the list.
  std::uint32_t head = b.head, tail = kNil;
  for (std::size_t width = 1;; width *= 2) {
    std::uint32_t p = head, q = kNil;
    std::size_t merges = 0;
    head = tail = kNil;
    while (p != kNil) {
      ++merges;
      q = p;
      std::size_t pCount = 0, qCount = width;
      for (; pCount < width && q != kNil; ++pCount) q = m_nodes[q].next;
      while (pCount > 0 || (qCount > 0 && q != kNil)) {
        std::uint32_t e;
        if (pCount > 0 && (qCount == 0 || q == kNil || m_nodes[p].seq < m_nodes[q].seq)) {
          e = p;
          p = m_nodes[p].next;
          --pCount;
        } else {
          e = q;
          q = m_nodes[q].next;
          --qCount;
        }
        if (tail == kNil)
          head = e;
        else
          m_nodes[tail].next = e;
        tail = e;
      }
      p = q;
    }
    m_nodes[tail].next = kNil;
    if (merges <= 1) break;
  }
  b.head = head;
  b.tail = tail;
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
    if (m_wheelCount != 0) SetFront(FirstUsedFrom(m_frontPos + 1));
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
  } else if (PushToWheel(key, m_spill.FrontRef())) {
    m_spill.PopFront();
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
    m_wheel->unsorted.ResetAll();
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
  const std::uint64_t pos = Pos(key);
  if (Covers(pos) && m_nodes.size() < m_nodes.capacity()) {
    // Appended in any order: the bucket is sorted when it comes to the
    // front. Build links the node; its bucket waits in `next`.
    m_nodes.push_back(stNode{Seq(key), static_cast<std::uint32_t>(Bucket(pos)), ref});
    m_wheel->unsorted.Set(Bucket(pos));
  } else {
    m_spill.Append(key, ref);
  }
}

void cTimerWheel::Build() {
  // Each link writes to the last node of a random bucket: fetch those a
  // few nodes ahead, so that the misses overlap.
  constexpr std::size_t kAhead = 8;
  const std::size_t count = m_nodes.size();
  for (std::size_t n = 0; n < count; ++n) {
    if (n + kAhead < count) {
      const std::uint32_t tail = m_wheel->buckets[m_nodes[n + kAhead].next].tail;
      if (tail != kNil) __builtin_prefetch(&m_nodes[tail], 1);
    }
    AppendNode(static_cast<std::uint32_t>(n), Ahead(m_base, m_nodes[n].next));
  }
  if (m_wheelCount != 0) SetFront(FirstUsedFrom(m_base));
  m_spill.Heapify();
  if (m_wheel) Rebase();
  UpdateFront();
}
