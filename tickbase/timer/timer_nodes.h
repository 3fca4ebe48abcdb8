// One node per timer stored in a map or list service: the timer's due time,
// its insertion sequence and the slot of its key in the service's
// cTimerTable. A node index names a timer for as long as it is stored, so
// the firing order and the key groups can point at it; freed nodes are
// reused, so the array holds the peak population. Internal.
#ifndef TICKBASE_TIMER_TIMER_NODES_H_
#define TICKBASE_TIMER_TIMER_NODES_H_

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tickbase/timer/large_allocator.h"

struct stTimerNode {
  std::uint64_t seq;  // unique per timer; 0 while the node is free
  std::uint32_t due;
  std::uint32_t key;  // the key's slot; the next free node while free
};

class cTimerNodes {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  cTimerNodes() = default;
  cTimerNodes(const cTimerNodes&) = delete;
  cTimerNodes& operator=(const cTimerNodes&) = delete;

  // Makes room so that the next Alloc allocates nothing. On failure
  // (std::bad_alloc) nothing has changed.
  void Reserve() {
    if (m_free == kNone && m_nodes.size() == m_nodes.capacity())
      m_nodes.reserve(m_nodes.empty() ? 16 : m_nodes.size() * 2);
  }
  // A node for a timer. Requires: Reserve() since the last Alloc.
  std::uint32_t Alloc(std::uint64_t seq, std::uint32_t due, std::uint32_t key) {
    assert(seq != 0);
    ++m_live;
    if (m_free == kNone) {
      assert(m_nodes.size() < m_nodes.capacity());
      m_nodes.push_back(stTimerNode{seq, due, key});
      return static_cast<std::uint32_t>(m_nodes.size() - 1);
    }
    const std::uint32_t node = m_free;
    m_free = m_nodes[node].key;
    m_nodes[node] = stTimerNode{seq, due, key};
    return node;
  }
  void Free(std::uint32_t node) {
    m_nodes[node] = stTimerNode{0, 0, m_free};
    m_free = node;
    --m_live;
  }
  void SetKey(std::uint32_t node, std::uint32_t key) { m_nodes[node].key = key; }
  // Follows a rehash of the table: moved maps old key slots to new ones.
  void Remap(const std::vector<std::uint32_t>& moved) {
    for (stTimerNode& n : m_nodes)
      if (n.seq != 0) n.key = moved[n.key];
  }

  // True while node holds the timer inserted with seq.
  bool IsLive(std::uint32_t node, std::uint64_t seq) const {
    return node < m_nodes.size() && m_nodes[node].seq == seq;
  }
  const stTimerNode& At(std::uint32_t node) const { return m_nodes[node]; }
  std::size_t size() const { return m_live; }
  // Calls f(node) for every live node.
  template <class F>
  void ForEachLive(F f) const {
    for (const stTimerNode& n : m_nodes)
      if (n.seq != 0) f(n);
  }

 private:
  std::vector<stTimerNode, cLargeAllocator<stTimerNode>> m_nodes;
  std::uint32_t m_free = kNone;
  std::size_t m_live = 0;
};

#endif  // TICKBASE_TIMER_TIMER_NODES_H_
