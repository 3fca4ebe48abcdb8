#include "tickbase/timer/timer_store.h"

namespace {

// Compaction waits until stale entries outnumber live ones (and a floor), so
// its O(n) cost is paid at most once per n kills.
constexpr std::size_t kMinStaleToCompact = 1024;

}  // namespace

template <class Order>
void cTimerStore<Order>::Add(cTimerObj* obj, unsigned long param, std::uint32_t due) {
  // Everything that can fail comes first and leaves the store as it was:
  // the table, the nodes and the groups only make room, and the order entry
  // is pushed before any link is made. From there on nothing allocates.
  if (m_table.NeedsRehash()) m_nodes.Remap(m_table.Rehash());
  m_nodes.Reserve();
  const std::uint32_t key = m_table.Find(obj, param);
  const std::uint32_t head = key == cTimerTable::kNone ? 0 : m_table.At(key).head;
  if (key != cTimerTable::kNone) m_groups.Reserve(head & kGroup ? head & ~kGroup : m_groups.kNone);
  const std::uint64_t seq = m_seq + 1;
  const std::uint32_t node = m_nodes.Alloc(seq, due, key);
  try {
    m_order.Push(stOrderEntry{due, node, seq});
  } catch (...) {
    m_nodes.Free(node);
    throw;
  }
  m_seq = seq;
  const stGroupEntry entry{due, node, seq};
  if (key == cTimerTable::kNone) {
    m_nodes.SetKey(node, m_table.Insert(obj, param, node));
  } else if (head & kGroup) {
    m_groups.Push(head & ~kGroup, entry);
  } else {
    const stTimerNode& single = m_nodes.At(head);
    m_table.At(key).head = kGroup | m_groups.Open(stGroupEntry{single.due, head, single.seq}, entry);
  }
}

template <class Order>
void cTimerStore<Order>::Unlink(std::uint32_t node) {
  const std::uint32_t key = m_nodes.At(node).key;
  cTimerTable::stSlot& slot = m_table.At(key);
  if (!(slot.head & kGroup)) {
    m_table.Erase(key);
  } else if (m_groups.Remove(slot.head & ~kGroup, node) == 1) {
    slot.head = m_groups.Close(slot.head & ~kGroup);
  }
  m_nodes.Free(node);
}

template <class Order>
bool cTimerStore<Order>::Remove(cTimerObj* obj, unsigned long param) {
  const std::uint32_t key = m_table.Find(obj, param);
  if (key == cTimerTable::kNone) return false;
  const std::uint32_t head = m_table.At(key).head;
  Unlink(head & kGroup ? m_groups.First(head & ~kGroup).node : head);
  if (++m_stale >= kMinStaleToCompact && m_stale > m_order.size() / 2) {
    m_order.Compact([this](const stOrderEntry& e) { return m_nodes.IsLive(e.node, e.seq); });
    m_stale = 0;
  }
  return true;
}

template <class Order>
const stOrderEntry* cTimerStore<Order>::LiveFront() {
  while (!m_order.empty()) {
    const stOrderEntry& front = m_order.Front();
    if (m_nodes.IsLive(front.node, front.seq)) return &front;
    m_order.PopFront();
    --m_stale;
  }
  return nullptr;
}

template <class Order>
void cTimerStore<Order>::EraseFront() {
  Unlink(m_order.Front().node);
  m_order.PopFront();
  // The next take reads the new front's node; start fetching it while the
  // caller runs this timer's callback.
  if (!m_order.empty()) __builtin_prefetch(&m_nodes.At(m_order.Front().node));
}

template <class Order>
bool cTimerStore<Order>::TakeDue(std::uint32_t now, cTimerObj*& obj, unsigned long& param) {
  std::uint64_t seq = 0;
  if (!PeekDue(now, obj, param, seq)) return false;
  EraseFront();
  return true;
}

template <class Order>
bool cTimerStore<Order>::PeekDue(std::uint32_t now, cTimerObj*& obj, unsigned long& param,
                                 std::uint64_t& seq) {
  const stOrderEntry* front = LiveFront();
  if (!front || !IsDue(now, front->due)) return false;
  const cTimerTable::stSlot& key = m_table.At(m_nodes.At(front->node).key);
  obj = key.obj;
  param = key.param;
  seq = front->seq;
  return true;
}

template <class Order>
bool cTimerStore<Order>::TakePeeked(std::uint64_t seq) {
  const stOrderEntry* front = LiveFront();
  if (!front || front->seq != seq) return false;
  EraseFront();
  return true;
}

template class cTimerStore<cTimerHeap>;
template class cTimerStore<cTimerFifo>;
